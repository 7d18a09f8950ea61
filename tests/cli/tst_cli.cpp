// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli run as a separate process, as a script runs it, against the simulator on a
// pseudo-terminal (COM1) with nothing behind COM2.
#include "CliRun.h"
#include "ConfigFile.h"
#include "FieldListing.h"
#include "KestrixSimulator.h"
#include "ModelFields.h"
#include "SettingCheck.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cctype>
#include <cstring>
#include <limits>
#include <memory>

#include "PdfText.h"

#include <QDate>
#include <QRegularExpression>

#include <csignal>
#include <sys/stat.h>

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const ModelFields::Field &field(ModelFields::Record record, const char *name) {
    const ModelFields::Field *f = ModelFields::find(record, QString::fromLatin1(name));
    if (!f) qFatal("no field %s", name);
    return *f;
}
const ModelFields::Field &output(const char *name) {
    return field(ModelFields::Record::Output, name);
}
const ModelFields::Field &input(const char *name) {
    return field(ModelFields::Record::Input, name);
}

// A file of n projectors in advanced mode, every seam feathered alike over the 384-pixel overlap.
QByteArray blendedImage(int n) {
    QByteArray image(int(ConfigFile::FileSize), '\0');
    auto set = [&](const char *name, int device, int channel, double value) {
        ModelFields::setValue(image, output(name), device, channel, value);
    };
    for (int s = 1; s <= n; ++s) {
        const int d = s <= 4 ? 1 : 2;
        const int c = s <= 4 ? s : s - 4;
        set("LeftGamma", d, c, 2.2);
        set("RightGamma", d, c, 2.2);
        set("LeftFeathering", d, c, s > 1);
        set("RightFeathering", d, c, s < n);
        set("LeftGammaWidth", d, c, 384);
        set("RightGammaWidth", d, c, 384);
    }
    for (int d = 1; d <= (n > 4 ? 2 : 1); ++d) {
        set("OutputFormat", d, 1, 3); // 1280x1024
        set("AdvancedMode", d, 1, 1);
        set("TotalProjectors", d, 1, n);
        set("OverlapWidth", d, 1, 384);
        set("FeatherMode", d, 1, 'S');
    }
    return image;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void readThenDiffFindsNothing();
    void changedDeviceIsListedAlone();
    void pushedFileLeavesNoDifference();
    void dumpJsonRoundTripsAndTableNamesEveryField();
    void planReproducesThePlanningPage();
    void failuresHaveTheirOwnStatus();
    void questionNeedsYes();
    void unacknowledgedCommandEndsThePush();
    void failureMessages_data();
    void failureMessages();
    void controllerWithoutDevicesIsNoDevice();
    void signalStopsThePushBetweenCommands_data();
    void signalStopsThePushBetweenCommands();
    void lineLostDuringReadSaysWhy_data();
    void lineLostDuringReadSaysWhy();
    void standardStreamsQuietAndVersion();
    void portsListsThisMachine();
    void outOfRangeValuesAreRefusedBeforeTheLine();
    void dryRunPrintsWhatThePushSends();
    void checkAndPreviewAFile();
    void checkTheDevices();
    void reportOfAFile();
    void reportOfTheDevices();
    void oneDeviceOfATwoDeviceWall();
    void reportSlicesAndScreensInUse();

private:
    QStringList device(const QString &command, const QStringList &rest = {}) const;
    QString path(const char *name) const { return dir->filePath(QString::fromLatin1(name)); }

    std::unique_ptr<KestrixSimulator> sim;
    std::unique_ptr<QTemporaryDir> dir;
};

void TestCli::init() {
    sim = std::make_unique<KestrixSimulator>(SimOptions::builtIn());
    QString error;
    QVERIFY2(sim->start(&error), qPrintable(error));
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestCli::cleanup() {
    sim.reset();
    dir.reset();
}

// A device command against the simulator on COM1, with the protocol's pauses shortened.
QStringList TestCli::device(const QString &command, const QStringList &rest) const {
    return QStringList{command} + rest +
           QStringList{QStringLiteral("--com1"),         sim->slavePath(),
                       QStringLiteral("--com2"),         QStringLiteral("/nonexistent/lumivane-com2"),
                       QStringLiteral("--pacing-scale"), QStringLiteral("0.1")};
}

void TestCli::readThenDiffFindsNothing() {
    SimDevice second = sim->device(2);
    second.outputs[2].blackLevel = 37;
    second.inputs[1].hPosition = 301;
    sim->setDevice(2, second);

    const Run read = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY2(read.status == 0, qPrintable(read.err));
    QVERIFY(read.out.isEmpty()); // nothing but results on stdout, and read has none
    const QByteArray image = fileBytes(path("wall.kxc"));
    QCOMPARE(image.size(), int(ConfigFile::FileSize));
    // Both devices behind the Controller were read.
    QCOMPARE(ModelFields::value(image, output("BlackLevel"), 2, 3), 37.0);
    QCOMPARE(ModelFields::value(image, input("HPosition"), 2, 2), 301.0);
    QCOMPARE(ModelFields::value(image, output("TotalProjectors"), 1, 1), 4.0);

    const Run diff = runCli(device(QStringLiteral("diff"), {path("wall.kxc")}));
    QVERIFY2(diff.status == 0, qPrintable(diff.err));
    QCOMPARE(diff.out, QString());
    QVERIFY(diff.err.contains(QStringLiteral("No differences")));
}

void TestCli::changedDeviceIsListedAlone() {
    const Run read = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY2(read.status == 0, qPrintable(read.err));
    SimDevice first = sim->device(1);
    first.outputs[1].blackLevel = 12;
    sim->setDevice(1, first);

    const Run diff = runCli(device(QStringLiteral("diff"), {path("wall.kxc")}));
    QCOMPARE(diff.status, 1);
    const QStringList lines = diff.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].simplified(), QStringLiteral("Device Channel Field File Device"));
    QCOMPARE(lines[1].simplified(), QStringLiteral("1 2 BlackLevel 0 12"));

    const Run json = runCli(device(QStringLiteral("diff"), {path("wall.kxc"), QStringLiteral("--json")}));
    QCOMPARE(json.status, 1);
    const QJsonObject document = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(document.value(QStringLiteral("format")).toInt(), 1);
    QCOMPARE(document.value(QStringLiteral("devicesCompared")).toInt(), 2);
    const QJsonArray rows = document.value(QStringLiteral("differences")).toArray();
    QCOMPARE(rows.size(), 1);
    const QJsonObject row = rows.at(0).toObject();
    QCOMPARE(row.value(QStringLiteral("device")).toInt(), 1);
    QCOMPARE(row.value(QStringLiteral("channel")).toInt(), 2);
    QCOMPARE(row.value(QStringLiteral("field")).toString(), QStringLiteral("BlackLevel"));
    QCOMPARE(row.value(QStringLiteral("file")).toDouble(), 0.0);
    QCOMPARE(row.value(QStringLiteral("deviceValue")).toDouble(), 12.0);
    QCOMPARE(row.value(QStringLiteral("notReported")).toBool(), false);
}

void TestCli::pushedFileLeavesNoDifference() {
    const Run read = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY2(read.status == 0, qPrintable(read.err));
    QByteArray image = fileBytes(path("wall.kxc"));
    // Values the push sends, on both devices: an output of device 2, an input, a seam gain, a halo.
    QVERIFY(ModelFields::setValue(image, output("BlackLevel"), 2, 4, 21));
    QVERIFY(ModelFields::setValue(image, input("HPosition"), 1, 1, 300));
    QVERIFY(ModelFields::setValue(image, output("SeamGain3"), 1, 2, 9));
    QVERIFY(ModelFields::setValue(image, output("RightHaloWidth"), 1, 1, 40));
    // Values the push sends as something else: device 2's own system values (the push sends device 1's
    // to both), a gamma with more decimals than a command carries, an "on" that is not 1.
    QVERIFY(ModelFields::setValue(image, output("OverlapWidth"), 2, 1, 300));
    QVERIFY(ModelFields::setValue(image, output("Justification"), 2, 1, 1));
    QVERIFY(ModelFields::setValue(image, output("BasicGamma"), 1, 1, 2.23));
    QVERIFY(ModelFields::setValue(image, output("DataDoubling"), 1, 1, 5));
    QVERIFY(writeBytes(path("changed.kxc"), image));

    const Run before = runCli(device(QStringLiteral("diff"), {path("changed.kxc")}));
    QCOMPARE(before.status, 1);
    // The halo the file now holds cannot be compared: this device's record form reports its feather
    // widths instead. It is listed as such, and does not count as a difference.
    QStringList listed;
    for (const QString &line : before.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
        listed << line.simplified();
    QCOMPARE(listed,
             (QStringList{QStringLiteral("1 1 HPosition 300 296"), QStringLiteral("1 1 DataDoubling 5 0"),
                          QStringLiteral("1 1 RightHaloWidth 40 not reported"),
                          QStringLiteral("1 1 RightHaloOffset 0 not reported"),
                          QStringLiteral("1 2 SeamGain3 9 0"), QStringLiteral("2 1 DataDoubling 5 0"),
                          QStringLiteral("2 4 BlackLevel 21 0")}));
    QVERIFY2(
        before.err.contains(QStringLiteral("lumivane-cli: 5 setting(s) differ. 2 value(s) the push would "
                                           "send are not reported by the devices' records and could not "
                                           "be compared.")),
        qPrintable(before.err));

    const Run push = runCli(device(QStringLiteral("push"), {path("changed.kxc")}));
    QVERIFY2(push.status == 0, qPrintable(push.err));
    QCOMPARE(sim->device(2).outputs[3].blackLevel, quint8(21));
    QCOMPARE(sim->device(1).inputs[0].hPosition, 300);
    QCOMPARE(sim->device(1).outputs[1].seamGain[2], quint8(9));
    QCOMPARE(sim->device(1).outputs[0].rightHaloWidth, 40);

    const Run after = runCli(device(QStringLiteral("diff"), {path("changed.kxc")}));
    QVERIFY2(after.status == 0, qPrintable(after.out + after.err));
    QCOMPARE(after.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(),
             3); // heading, the two halo values
    QVERIFY(after.out.contains(QStringLiteral("not reported")));
}

void TestCli::dumpJsonRoundTripsAndTableNamesEveryField() {
    // A file with a value in every kind of field: floats with long expansions, negatives, both devices.
    QByteArray image(int(ConfigFile::FileSize), '\0');
    QVERIFY(ModelFields::setValue(image, input("RedContrast"), 1, 2, 0.1));
    QVERIFY(ModelFields::setValue(image, input("PhaseOffset"), 2, 4, -17));
    QVERIFY(ModelFields::setValue(image, output("BasicGamma"), 2, 1, 2.2));
    QVERIFY(ModelFields::setValue(image, output("SeamGain8"), 1, 4, 255));
    QVERIFY(ModelFields::setValue(image, output("LeftFeathering"), 1, 3, -300));
    QVERIFY(writeBytes(path("values.kxc"), image));

    const Run json = runCli({QStringLiteral("dump"), path("values.kxc"), QStringLiteral("--json")});
    QVERIFY2(json.status == 0, qPrintable(json.err));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json.out.toUtf8(), &parseError);
    QVERIFY2(parseError.error == QJsonParseError::NoError, qPrintable(parseError.errorString()));
    QByteArray back;
    QString reason;
    QVERIFY2(imageFromJson(document.object(), &back, &reason), qPrintable(reason));
    QCOMPARE(back, image);

    const Run table = runCli({QStringLiteral("dump"), path("values.kxc")});
    QVERIFY2(table.status == 0, qPrintable(table.err));
    const QStringList rows = table.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 1 + 2 * 4 * int(ModelFields::all().size()));
    QVERIFY(table.out.contains(QRegularExpression(QStringLiteral("\\n1 +2 +input +RedContrast +0\\.1\\n"))));
    QVERIFY(table.out.contains(QRegularExpression(QStringLiteral("\\n2 +4 +input +PhaseOffset +-17\\n"))));
}

void TestCli::planReproducesThePlanningPage() {
    const Run json =
        runCli({QStringLiteral("plan"), QStringLiteral("--screen"), QStringLiteral("30x10"),
                QStringLiteral("--resolution"), QStringLiteral("1280x1024"), QStringLiteral("--json")});
    QVERIFY2(json.status == 0, qPrintable(json.err));
    const QJsonObject plan = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(plan.value(QStringLiteral("projectors")).toInt(), 3);
    QCOMPARE(plan.value(QStringLiteral("devices")).toInt(), 1);
    QCOMPARE(plan.value(QStringLiteral("aspectRatioText")).toString(), QStringLiteral("3"));
    QCOMPARE(plan.value(QStringLiteral("overlap")).toInt(), 384);
    QCOMPARE(plan.value(QStringLiteral("imageWidth")).toDouble(), 3072.0);
    QList<double> edges;
    for (const QJsonValue &slice : plan.value(QStringLiteral("slices")).toArray())
        edges << slice.toObject().value(QStringLiteral("start")).toDouble()
              << slice.toObject().value(QStringLiteral("end")).toDouble();
    QCOMPARE(edges, (QList<double>{384, 1664, 1280, 2560, 2176, 3456}));

    const Run text = runCli({QStringLiteral("plan"), QStringLiteral("--screen"), QStringLiteral("40x10"),
                             QStringLiteral("--resolution"), QStringLiteral("1024x768"),
                             QStringLiteral("--align"), QStringLiteral("left")});
    QVERIFY2(text.status == 0, qPrintable(text.err));
    QVERIFY(text.out.contains(QRegularExpression(QStringLiteral("Output aspect ratio: +3\\.83 : 1\\n"))));
    QVERIFY(
        text.out.contains(QRegularExpression(QStringLiteral("Input image size required: +2944 x 768\\n"))));
    QVERIFY(text.out.contains(QRegularExpression(QStringLiteral("\\n +3  1920 - 2944\\n"))));
    QVERIFY(text.out.contains(QStringLiteral(
        " - 3 Head Graphic Source (1024 x 768 resolution): 2944 x 768 Image Size Required\n")));

    const Run tooMany = runCli({QStringLiteral("plan"), QStringLiteral("--screen"), QStringLiteral("120x10"),
                                QStringLiteral("--resolution"), QStringLiteral("800x600"),
                                QStringLiteral("--align"), QStringLiteral("left")});
    QCOMPARE(tooMany.status, 2);
    QVERIFY(tooMany.out.isEmpty());
    QVERIFY(tooMany.err.contains(QStringLiteral("Error! Minimum # of screen calculated is greater than 8.")));
}

void TestCli::failuresHaveTheirOwnStatus() {
    // Nothing behind either port: no device, and an existing file stays as it was.
    QVERIFY(writeBytes(path("kept.kxc"), QByteArray(int(ConfigFile::FileSize), '\x05')));
    const Run none =
        runCli({QStringLiteral("read"), QStringLiteral("-o"), path("kept.kxc"), QStringLiteral("--com1"),
                QStringLiteral("/nonexistent/a"), QStringLiteral("--com2"), QStringLiteral("/nonexistent/b"),
                QStringLiteral("--pacing-scale"), QStringLiteral("0.1")});
    QCOMPARE(none.status, 4);
    QVERIFY(none.err.contains(QStringLiteral("not detected")));
    QCOMPARE(fileBytes(path("kept.kxc")), QByteArray(int(ConfigFile::FileSize), '\x05'));

    // A file that is not a configuration file, and one that is missing.
    QVERIFY(writeBytes(path("short.kxc"), QByteArray(100, '\0')));
    const Run shortFile = runCli({QStringLiteral("dump"), path("short.kxc")});
    QCOMPARE(shortFile.status, 3);
    QVERIFY(shortFile.err.contains(
        QStringLiteral("holds 100 bytes where a configuration file holds exactly 1720")));
    QCOMPARE(runCli(device(QStringLiteral("push"), {path("missing.kxc")})).status, 3);
    QCOMPARE(sim->requests().size(), 0); // a push of a file it cannot read never touches the line

    // A FIFO (nobody writing to it) or a directory is refused before a byte is read: reading would wait
    // for ever on the FIFO.
    const QString fifo = path("wall-fifo.kxc");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("dump"), fifo}, device(QStringLiteral("push"), {fifo}),
          device(QStringLiteral("diff"), {fifo}), QStringList{QStringLiteral("dump"), dir->path()}}) {
        const Run refused = runCli(arguments);
        QCOMPARE(refused.status, 3);
        QVERIFY2(refused.err.startsWith(QStringLiteral(
                     "lumivane-cli: Error! Unable to open Configuration file. It is not a regular file.")),
                 qPrintable(refused.err));
    }
    QCOMPARE(sim->requests().size(), 0);

    // A record that cannot be read: no going on without it, --yes or not, and the file stays as it was.
    sim->injectFault(SimFault::NoMarker, 50, 0, QByteArrayLiteral("OINFOKX 2"));
    const Run failedRead = runCli(
        device(QStringLiteral("read"), {QStringLiteral("-o"), path("kept.kxc"), QStringLiteral("--yes")}));
    QCOMPARE(failedRead.status, 5);
    QVERIFY2(failedRead.err.contains(QStringLiteral("unable to read Output Status on Screen 2")),
             qPrintable(failedRead.err));
    QVERIFY(
        failedRead.err.contains(QStringLiteral("Answered No: a read with a record missing is never kept.")));
    QCOMPARE(fileBytes(path("kept.kxc")), QByteArray(int(ConfigFile::FileSize), '\x05'));
    sim->clearFaults();

    // The command line itself.
    struct Case {
        QStringList arguments;
        const char *says;
    };
    const Case usage[] = {
        {{QStringLiteral("frobnicate")}, "unknown command 'frobnicate'"},
        {{QStringLiteral("read")}, "read needs -o FILE.kxc"},
        {{QStringLiteral("diff")}, "diff needs a configuration file"},
        {{QStringLiteral("plan"), QStringLiteral("--screen"), QStringLiteral("30by10")}, "--screen takes"},
        {{QStringLiteral("plan"), QStringLiteral("--screen"), QStringLiteral("30x10"),
          QStringLiteral("--projectors"), QStringLiteral("9")},
         "--projectors takes a number from 1 to 8"},
        {{QStringLiteral("read"), QStringLiteral("-o"), QStringLiteral("x"), QStringLiteral("--link"),
          QStringLiteral("usb")},
         "--link takes search, direct or controller"},
    };
    for (const Case &c : usage) {
        const Run run = runCli(c.arguments);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(QLatin1String(c.says)), qPrintable(run.err));
    }
}

// A file for five projectors pushed over a direct line: the window's question whether to go on with
// the first device alone. Without --yes the answer is No and nothing is sent to the device's outputs.
void TestCli::questionNeedsYes() {
    sim.reset();
    SimOptions direct;
    direct.mode = SimOptions::Direct;
    direct.onlyAtModeBaud = true;
    sim = std::make_unique<KestrixSimulator>(direct);
    QVERIFY(sim->start());
    QByteArray image(int(ConfigFile::FileSize), '\0');
    QVERIFY(ModelFields::setValue(image, output("TotalProjectors"), 1, 1, 5));
    QVERIFY(ModelFields::setValue(image, output("OverlapWidth"), 1, 1, 128));
    QVERIFY(ModelFields::setValue(image, output("BlackLevel"), 1, 2, 30));
    for (int c = 1; c <= 4; ++c)
        for (const char *gamma : {"BasicGamma", "LeftGamma", "RightGamma"})
            QVERIFY(ModelFields::setValue(image, output(gamma), 1, c, 2.2));
    QVERIFY(writeBytes(path("five.kxc"), image));

    const Run refused = runCli(device(
        QStringLiteral("push"), {path("five.kxc"), QStringLiteral("--link"), QStringLiteral("direct")}));
    QCOMPARE(refused.status, 6);
    QVERIFY2(refused.err.contains(QStringLiteral("control only Kestrix #1?")), qPrintable(refused.err));
    QVERIFY(refused.err.contains(QStringLiteral("--yes")));
    QCOMPARE(sim->device(1).outputs[1].blackLevel, quint8(0));

    const Run agreed =
        runCli(device(QStringLiteral("push"), {path("five.kxc"), QStringLiteral("--link"),
                                               QStringLiteral("direct"), QStringLiteral("--yes")}));
    QVERIFY2(agreed.status == 0, qPrintable(agreed.err));
    QCOMPARE(sim->device(1).outputs[1].blackLevel, quint8(30));
}

// Device 2 refuses every black level: the tool does not resend without end. It answers the question
// whether to go on No, --yes or not, and ends with a communication failure naming the device and the
// command; nothing goes out after the refused command.
void TestCli::unacknowledgedCommandEndsThePush() {
    const Run read = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY2(read.status == 0, qPrintable(read.err));
    sim->clearRequests();
    sim->injectFault(SimFault::ControllerReject, 1000, 0, QByteArrayLiteral("*7BLKGN 1 "));

    const Run push = runCli(device(QStringLiteral("push"), {path("wall.kxc"), QStringLiteral("--yes")}));
    QCOMPARE(push.status, 5);
    QVERIFY2(push.err.contains(QStringLiteral("Lumivane - Resend Command Verification")),
             qPrintable(push.err));
    QVERIFY(
        push.err.contains(QStringLiteral("Answered No: the command-line tool does not resend a command that "
                                         "is not acknowledged.")));
    QVERIFY2(push.err.contains(
                 QStringLiteral("lumivane-cli: Kestrix 2 (RS-485 ID 7) did not acknowledge the command "
                                "*7BLKGN 1 0!; the link was ended.")),
             qPrintable(push.err));
    QVERIFY(!push.err.contains(QStringLiteral("Sent ")));
    const QList<SimRequest> requests = sim->requests();
    int refused = 0;
    for (const SimRequest &r : requests)
        refused += r.raw.startsWith("PASS *7BLKGN 1 0!");
    QCOMPARE(refused, 3);
    QVERIFY(!requests.isEmpty());
    QVERIFY2(requests.last().raw.startsWith("PASS *7BLKGN 1 0!"), requests.last().raw.constData());

    // One summary: the commands that went out (a resend is the same command), the last one and its
    // device, and that the devices are now partly set.
    int frames = 0;
    QByteArray previous;
    for (const SimRequest &r : requests) {
        if (!r.raw.startsWith("PASS ")) continue;
        frames += r.raw != previous;
        previous = r.raw;
    }
    const Run dry = runCli({QStringLiteral("push"), QStringLiteral("--dry-run"), path("wall.kxc")});
    QCOMPARE(dry.status, 0);
    QVERIFY2(push.err.contains(
                 QStringLiteral("lumivane-cli: The push stopped part-way: %1 command(s) went out of %2, "
                                "the last one (*7BLKGN 1 0!) to Kestrix 2 (RS-485 ID 7), in part ")
                     .arg(frames)
                     .arg(dry.out.count(QLatin1Char('\n')))),
             qPrintable(push.err));
    QCOMPARE(push.err.count(QStringLiteral("The devices are now partly set")), 1);
}

// Each failure names its cause and ends with its own status. "@DIR" stands for the test's folder and
// "@COM1" for the simulator. Nothing is sent to the devices when a check before the search fails.
void TestCli::failureMessages_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("stdoutFile");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");

    const QString noCom2 = QStringLiteral("/nonexistent/lumivane-com2");
    auto read = [&](const QString &com1) {
        return QStringList{QStringLiteral("read"),
                           QStringLiteral("-o"),
                           QStringLiteral("@DIR/out.kxc"),
                           QStringLiteral("--com1"),
                           com1,
                           QStringLiteral("--com2"),
                           noCom2};
    };
    QTest::newRow("port missing") << read(QStringLiteral("/nonexistent/lumivane-com1")) << QString() << 4
                                  << "COM Port #1 (/nonexistent/lumivane-com1): no such device.\n";
    QTest::newRow("port bare name") << read(QStringLiteral("lumivane-no-such-port")) << QString() << 4
                                    << "COM Port #1 (lumivane-no-such-port): no such device (looked up as "
                                       "/dev/lumivane-no-such-port).\n";
    QTest::newRow("port folder") << read(QStringLiteral("@DIR")) << QString() << 4
                                 << "COM Port #1 (@DIR): is a folder, not a serial device.\n";
    QTest::newRow("port plain file") << read(QStringLiteral("@DIR/wall.kxc")) << QString() << 4
                                     << "COM Port #1 (@DIR/wall.kxc): is a file, not a serial device.\n";
    QTest::newRow("port not serial") << read(QStringLiteral("/dev/null")) << QString() << 4
                                     << "COM Port #1 (/dev/null): is not a serial device.\n";
    QTest::newRow("port missing, push")
        << QStringList{QStringLiteral("push"),      QStringLiteral("@DIR/wall.kxc"), QStringLiteral("--com1"),
                       QStringLiteral("/dev/null"), QStringLiteral("--com2"),        noCom2}
        << QString() << 4 << "COM Port #2 (/nonexistent/lumivane-com2): no such device.\n";

    auto readTo = [](const QString &output) {
        return QStringList{QStringLiteral("read"), QStringLiteral("-o"), output, QStringLiteral("--com1"),
                           QStringLiteral("@COM1")};
    };
    QTest::newRow("-o missing folder")
        << readTo(QStringLiteral("@DIR/missing/wall.kxc")) << QString() << 3
        << "Cannot write '@DIR/missing/wall.kxc': the folder @DIR/missing does "
           "not exist.\n";
    QTest::newRow("-o folder") << readTo(QStringLiteral("@DIR")) << QString() << 3
                               << "Cannot write '@DIR': it is a folder.\n";
    // A FIFO of the test's own (never a node under /dev: were the check broken, the file would be
    // renamed over it).
    QTest::newRow("-o not a file") << readTo(QStringLiteral("@DIR/out-fifo")) << QString() << 3
                                   << "Cannot write '@DIR/out-fifo': it is not a regular file.\n";
    // A folder that takes no new file whatever its permissions say, even to the superuser.
    QTest::newRow("-o in /proc") << readTo(QStringLiteral("/proc/version")) << QString() << 3
                                 << "Cannot write '/proc/version': the folder /proc does not take new files";

    const QString full = QStringLiteral("/dev/full");
    const QString noSpace = QStringLiteral("Cannot write to standard output: No space left on device\n");
    QTest::newRow("dump > /dev/full")
        << QStringList{QStringLiteral("dump"), QStringLiteral("@DIR/wall.kxc")} << full << 3 << noSpace;
    QTest::newRow("dump --json > /dev/full")
        << QStringList{QStringLiteral("dump"), QStringLiteral("@DIR/wall.kxc"), QStringLiteral("--json")}
        << full << 3 << noSpace;
    QTest::newRow("plan > /dev/full")
        << QStringList{QStringLiteral("plan"), QStringLiteral("--screen"), QStringLiteral("30x10")} << full
        << 3 << noSpace;
    QTest::newRow("ports > /dev/full") << QStringList{QStringLiteral("ports")} << full << 3 << noSpace;
    QTest::newRow("read -o - > /dev/full") << readTo(QStringLiteral("-")) << full << 3
                                           << "Cannot write to standard output: No space left on device\n";
    QTest::newRow("diff > /dev/full") << QStringList{QStringLiteral("diff"), QStringLiteral("@DIR/wall.kxc"),
                                                     QStringLiteral("--com1"), QStringLiteral("@COM1")}
                                      << full << 3 << noSpace;
}

void TestCli::failureMessages() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, stdoutFile);
    QFETCH(int, status);
    QFETCH(QString, says);
    QVERIFY(writeBytes(path("wall.kxc"), sendableImage()));
    QCOMPARE(::mkfifo(QFile::encodeName(path("out-fifo")).constData(), 0600), 0);
    for (QString &argument : arguments) {
        argument.replace(QStringLiteral("@DIR"), dir->path());
        argument.replace(QStringLiteral("@COM1"), sim->slavePath());
    }
    says.replace(QStringLiteral("@DIR"), dir->path());
    if (arguments.contains(QStringLiteral("--com1")))
        arguments << QStringLiteral("--pacing-scale") << QStringLiteral("0.1");
    const Run run = runCli(arguments, stdoutFile);
    QVERIFY2(run.err.contains(QStringLiteral("lumivane-cli: ") + says), qPrintable(run.err));
    QCOMPARE(run.status, status);
    if (status == 3 && arguments.first() == QLatin1String("read") && stdoutFile.isEmpty())
        QCOMPARE(sim->requests().size(), 0); // found before the search
    QVERIFY(!QFileInfo::exists(path("out.kxc")));
}

// A Controller that counts no device behind it: "no device" for every device command alike.
void TestCli::controllerWithoutDevicesIsNoDevice() {
    sim.reset();
    SimOptions empty = SimOptions::builtIn();
    empty.nkxText = "0";
    sim = std::make_unique<KestrixSimulator>(empty);
    QVERIFY(sim->start());
    QVERIFY(writeBytes(path("wall.kxc"), sendableImage()));
    for (const QStringList &arguments :
         {device(QStringLiteral("read"), {QStringLiteral("-o"), path("out.kxc")}),
          device(QStringLiteral("diff"), {path("wall.kxc")}),
          device(QStringLiteral("push"), {path("wall.kxc")})}) {
        const Run run = runCli(arguments);
        QVERIFY2(run.status == 4, qPrintable(arguments.first() + QLatin1Char(' ') + run.err));
        QVERIFY2(run.err.contains(QStringLiteral("No Kestrix(s) connected to Controllers.")),
                 qPrintable(run.err));
    }
    QVERIFY(!QFileInfo::exists(path("out.kxc")));
}

void TestCli::signalStopsThePushBetweenCommands_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("status");
    QTest::newRow("SIGINT") << int(SIGINT) << 130;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
}

// A stop request during a push at the protocol's own pace: the command in flight is finished, nothing
// follows it, and the summary counts exactly what the devices received.
void TestCli::signalStopsThePushBetweenCommands() {
    QFETCH(int, signal);
    QFETCH(int, status);
    const Run read = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY2(read.status == 0, qPrintable(read.err));
    sim->clearRequests();

    QProcess process;
    process.start(QStringLiteral(LUMIVANE_CLI),
                  {QStringLiteral("push"), path("wall.kxc"), QStringLiteral("--com1"), sim->slavePath(),
                   QStringLiteral("--com2"), QStringLiteral("/nonexistent/lumivane-com2")});
    QVERIFY(process.waitForStarted());
    // Device 1's outputs are going out: well into the pass, with most of it still to come.
    auto outputsBegun = [this] {
        for (const SimRequest &r : sim->requests())
            if (r.command.startsWith("BLKGN")) return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(outputsBegun(), 120000);
    QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(process.exitCode() == status, qPrintable(err));

    // The wire ends on a whole request (a frame ends in CR CR, a query in CR), which the device
    // answered, and every frame is whole.
    QVERIFY(sim->receivedBytes().endsWith('\r'));
    QList<QByteArray> frames;
    for (const SimRequest &r : sim->requests()) {
        if (!r.raw.startsWith("PASS ")) continue;
        QVERIFY2(r.framed && r.checksumOk, r.raw.constData());
        if (frames.isEmpty() || frames.constLast() != r.raw) frames.append(r.raw);
    }
    QVERIFY(!frames.isEmpty());
    QVERIFY(sim->requests().constLast().answered);
    QVERIFY(!err.contains(QStringLiteral("Sent ")));

    static const QRegularExpression summary(QStringLiteral(
        "lumivane-cli: The push stopped part-way: (\\d+) command\\(s\\) went out of (\\d+), the last one "
        "\\((.+)\\) to "
        "Kestrix (\\d) \\(RS-485 ID \\d\\), in part (\\d+) of (\\d+) \\(([^)]+)\\)\\. The devices are now "
        "partly set"));
    const QRegularExpressionMatch m = summary.match(err);
    QVERIFY2(m.hasMatch(), qPrintable(err));
    QCOMPARE(err.count(QStringLiteral("stopped part-way")), 1);
    QCOMPARE(m.captured(1).toInt(), frames.size());
    QVERIFY2(frames.constLast().mid(5).startsWith(m.captured(3).toLatin1()), frames.constLast().constData());
    QVERIFY(m.captured(5).toInt() < m.captured(6).toInt()); // it stopped before the last part
    // The whole is what the push of this file to both devices sends, as its dry run lists it.
    const Run dry = runCli({QStringLiteral("push"), QStringLiteral("--dry-run"), path("wall.kxc")});
    QCOMPARE(dry.status, 0);
    QCOMPARE(m.captured(2).toInt(), int(dry.out.count(QLatin1Char('\n'))));
}

// A read cut short while the tool waits for a record: the far end goes away (the tool says what happened
// to the line), or Ctrl-C / SIGTERM (the wait ends at once, and the aborted flow adds no noise). Either
// way the summary says how far the read got, and nothing is written.
void TestCli::lineLostDuringReadSaysWhy_data() {
    QTest::addColumn<int>("signal"); // 0: the far end goes away
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    QTest::newRow("line lost") << 0 << 5 << "lumivane-cli: Error! COM Port #1 has stopped working (";
    QTest::newRow("SIGINT") << int(SIGINT) << 130 << QString();
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143 << QString();
}

void TestCli::lineLostDuringReadSaysWhy() {
    QFETCH(int, signal);
    QFETCH(int, status);
    QFETCH(QString, says);
    sim->injectFault(SimFault::Silence, 1000, 0, QByteArrayLiteral("OINFOKX 2"));
    QProcess process;
    process.start(QStringLiteral(LUMIVANE_CLI),
                  device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY(process.waitForStarted());
    auto waiting = [this] {
        for (const SimRequest &r : sim->requests())
            if (r.raw.contains("OINFOKX 2")) return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(waiting(), 120000);
    if (signal)
        QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
    else
        sim.reset();
    QVERIFY(process.waitForFinished(120000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(process.exitCode() == status, qPrintable(err));
    if (!says.isEmpty()) QVERIFY2(err.contains(says), qPrintable(err));
    QVERIFY2(
        err.contains(QRegularExpression(QStringLiteral(
            "lumivane-cli: The read stopped part-way: \\d of 18 records were read; nothing was written"))),
        qPrintable(err));
    if (signal) QVERIFY2(!err.contains(QStringLiteral("communication error")), qPrintable(err));
    QVERIFY(!QFileInfo::exists(path("wall.kxc")));
}

// "-" for standard input and output, -q, and --version wherever it stands.
void TestCli::standardStreamsQuietAndVersion() {
    const Run read = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY2(read.status == 0, qPrintable(read.err));
    QVERIFY(!read.err.isEmpty()); // progress and the closing note

    const Run toStdout = runCli(
        device(QStringLiteral("read"), {QStringLiteral("-q"), QStringLiteral("-o"), QStringLiteral("-")}),
        path("stdout.kxc"));
    QVERIFY2(toStdout.status == 0, qPrintable(toStdout.err));
    QCOMPARE(toStdout.err, QString()); // quiet: nothing on stderr when all is well
    QCOMPARE(fileBytes(path("stdout.kxc")), fileBytes(path("wall.kxc")));

    const Run dumpFile = runCli({QStringLiteral("dump"), path("wall.kxc"), QStringLiteral("--json")});
    const Run dumpStdin =
        runCli({QStringLiteral("dump"), QStringLiteral("-"), QStringLiteral("--json")}, {}, path("wall.kxc"));
    QVERIFY2(dumpStdin.status == 0, qPrintable(dumpStdin.err));
    QCOMPARE(dumpStdin.out, dumpFile.out);
    QCOMPARE(QJsonDocument::fromJson(dumpFile.out.toUtf8()).object().value(QStringLiteral("format")).toInt(),
             1);
    const Run shortStdin =
        runCli({QStringLiteral("dump"), QStringLiteral("-")}, {}, QStringLiteral("/dev/null"));
    QCOMPARE(shortStdin.status, 3);
    QVERIFY2(shortStdin.err.contains(
                 QStringLiteral("Standard input is not a configuration file: it holds 0 bytes")),
             qPrintable(shortStdin.err));

    QByteArray image = fileBytes(path("wall.kxc"));
    QVERIFY(ModelFields::setValue(image, output("BlackLevel"), 2, 3, 44));
    QVERIFY(writeBytes(path("changed.kxc"), image));
    sim->clearRequests();
    const Run push = runCli(device(QStringLiteral("push"), {QStringLiteral("-"), QStringLiteral("-q")}), {},
                            path("changed.kxc"));
    QVERIFY2(push.status == 0, qPrintable(push.err));
    QCOMPARE(push.err, QString());
    QCOMPARE(sim->device(2).outputs[2].blackLevel, quint8(44));

    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--version")},
          QStringList{QStringLiteral("dump"), QStringLiteral("--version")},
          QStringList{QStringLiteral("push"), QStringLiteral("missing.kxc"), QStringLiteral("--com1"),
                      QStringLiteral("/dev/null"), QStringLiteral("--version")}}) {
        const Run version = runCli(arguments);
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out, QStringLiteral("lumivane-cli " LUMIVANE_VERSION "\n"));
    }
}

// Only the shape can be checked: a machine may have no serial port at all.
void TestCli::portsListsThisMachine() {
    const Run text = runCli({QStringLiteral("ports")});
    QVERIFY2(text.status == 0, qPrintable(text.err));
    const QStringList lines = text.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first().simplified(),
             QStringLiteral("Path Description Manufacturer Serial number USB ID"));
    for (const QString &line : lines.mid(1))
        QVERIFY2(line.startsWith(QLatin1Char('/')), qPrintable(line));

    const Run json = runCli({QStringLiteral("ports"), QStringLiteral("--json")});
    QVERIFY2(json.status == 0, qPrintable(json.err));
    const QJsonObject document = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(document.value(QStringLiteral("format")).toInt(), 1);
    QVERIFY(document.value(QStringLiteral("ports")).isArray());
    const QJsonArray ports = document.value(QStringLiteral("ports")).toArray();
    QCOMPARE(ports.size(), lines.size() - 1);
    for (const QJsonValue &port : ports) {
        QStringList keys = port.toObject().keys();
        keys.sort();
        QCOMPARE(keys, (QStringList{QStringLiteral("description"), QStringLiteral("manufacturer"),
                                    QStringLiteral("path"), QStringLiteral("productId"),
                                    QStringLiteral("serialNumber"), QStringLiteral("vendorId")}));
    }
    if (ports.isEmpty()) QVERIFY(text.err.contains(QStringLiteral("No serial ports found on this machine.")));
}

// A file with values no page accepts (the ones a push once sent as they were, NaN and an infinity among
// them) is refused with status 7 before a port is looked at, every bad value on its own line; so is its
// dry run.
void TestCli::outOfRangeValuesAreRefusedBeforeTheLine() {
    const Run read = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY2(read.status == 0, qPrintable(read.err));
    QByteArray image = fileBytes(path("wall.kxc"));
    QVERIFY(ModelFields::setValue(image, output("Justification"), 1, 1, 7));
    QVERIFY(ModelFields::setValue(image, output("OverlapWidth"), 1, 1, -5));
    QVERIFY(ModelFields::setValue(image, output("BasicGamma"), 1, 1, 42));
    QVERIFY(ModelFields::setValue(image, output("TestPattern"), 1, 2, 11));
    QVERIFY(ModelFields::setValue(image, input("PhaseOffset"), 1, 3, 16));
    // NaN and infinities cannot be set through the catalogue: they go into the bytes directly.
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const qint64 output24 = ConfigFile::outputRecordOffset(2, 4),
                 input11 = ConfigFile::inputRecordOffset(1, 1);
    std::memcpy(image.data() + output24 + output("LeftGamma").offset, &nan, sizeof nan);
    std::memcpy(image.data() + input11 + input("RedBrightness").offset, &inf, sizeof inf);
    QVERIFY(writeBytes(path("bad.kxc"), image));

    const QString expected =
        QStringLiteral("lumivane-cli: %1 holds 7 value(s) that cannot be sent; nothing was sent:\n"
                       "  Kestrix 1 channel 1 RedBrightness is inf (allowed -25 to 25)\n"
                       "  Kestrix 1 channel 1 Justification is 7 (allowed 0 to 1)\n"
                       "  Kestrix 1 channel 1 OverlapWidth is -5 (allowed 64 to 640)\n"
                       "  Kestrix 1 channel 1 BasicGamma is 42 (allowed 1 to 5)\n"
                       "  Kestrix 1 channel 2 TestPattern is 11 (allowed 0 to 10)\n"
                       "  Kestrix 1 channel 3 PhaseOffset is 16 (allowed -16 to 15)\n"
                       "  Kestrix 2 channel 4 LeftGamma is nan (allowed 1 to 5)\n")
            .arg(path("bad.kxc"));
    // Nothing behind the ports: a push that looked for the devices would end with status 4.
    const QStringList noPorts{QStringLiteral("--com1"), QStringLiteral("/nonexistent/a"),
                              QStringLiteral("--com2"), QStringLiteral("/nonexistent/b")};
    for (const QStringList &extra : {QStringList{}, QStringList{QStringLiteral("--dry-run")}}) {
        const Run push = runCli(QStringList{QStringLiteral("push"), path("bad.kxc")} + extra + noPorts);
        QCOMPARE(push.status, 7);
        QCOMPARE(push.err, expected);
        QCOMPARE(push.out, QString());
    }
    sim->clearRequests();
    const Run push = runCli(device(QStringLiteral("push"), {path("bad.kxc")}));
    QCOMPARE(push.status, 7);
    QCOMPARE(sim->requests().size(), 0);
}

// The dry run prints the very commands a push then puts on the wire, in order, device by device, and
// sends nothing. The file has six projectors, so device 2's inputs and seams are among them, and one
// halo set by the user: this device's record form reports its feather widths, so no other halo goes out.
void TestCli::dryRunPrintsWhatThePushSends() {
    const Run read = runCli(device(QStringLiteral("read"), {QStringLiteral("-o"), path("wall.kxc")}));
    QVERIFY2(read.status == 0, qPrintable(read.err));
    QByteArray image = fileBytes(path("wall.kxc"));
    QVERIFY(ModelFields::setValue(image, output("TotalProjectors"), 1, 1, 6));
    QVERIFY(ModelFields::setValue(image, input("VPosition"), 2, 2, 40));
    QVERIFY(ModelFields::setValue(image, output("LeftHaloWidth"), 1, 3, 12));
    QVERIFY(ModelFields::setValue(image, output("SeamGain8"), 2, 1, 77));
    QVERIFY(writeBytes(path("six.kxc"), image));

    const Run dry = runCli({QStringLiteral("push"), path("six.kxc"), QStringLiteral("--dry-run"),
                            QStringLiteral("--com1"), QStringLiteral("/nonexistent/a"),
                            QStringLiteral("--com2"), QStringLiteral("/nonexistent/b")});
    QVERIFY2(dry.status == 0, qPrintable(dry.err));
    const QStringList printed = dry.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(dry.err.contains(QStringLiteral("Dry run: %1 command(s)").arg(printed.size())),
             qPrintable(dry.err));
    QVERIFY(printed.contains(QStringLiteral("Kestrix 2: IRSPKX 2 M V 40")));
    QVERIFY(printed.contains(QStringLiteral("Kestrix 2: MANSEAM 1 -4 0 0 0 0 0 0 0 77")));
    QStringList halos;
    for (const QString &line : printed)
        if (line.contains(QStringLiteral("HALO"))) halos << line;
    QCOMPARE(halos, QStringList{QStringLiteral("Kestrix 1: HALO 3 L 12 0")});

    sim->clearRequests();
    const Run push = runCli(device(QStringLiteral("push"), {path("six.kxc")}));
    QVERIFY2(push.status == 0, qPrintable(push.err));
    // Each command of the wire, addressed by RS-485 ID, named by its device as the dry run names it.
    QHash<QByteArray, int> devices{{'*' + QByteArray::number(sim->options().ids.value(0)), 1},
                                   {'*' + QByteArray::number(sim->options().ids.value(1)), 2}};
    QStringList wire;
    for (const SimRequest &r : sim->requests()) {
        if (!r.raw.startsWith("PASS *")) continue;
        const QByteArray body = r.raw.mid(5, r.raw.lastIndexOf('!') - 5);
        int digits = 1;
        while (digits < body.size() && std::isdigit(uchar(body[digits])))
            ++digits;
        const QByteArray address = body.left(digits);
        QVERIFY2(devices.contains(address), body.constData());
        wire << QStringLiteral("Kestrix %1: %2")
                    .arg(devices.value(address))
                    .arg(QString::fromLatin1(body.mid(digits)));
    }
    QCOMPARE(printed, wire);
}

void TestCli::checkAndPreviewAFile() {
    QVERIFY(writeBytes(path("good.kxc"), blendedImage(6)));
    Run run = runCli({QStringLiteral("check"), path("good.kxc")});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QVERIFY(run.err.contains(QStringLiteral("No findings")));

    QByteArray bad = blendedImage(6);
    ModelFields::setValue(bad, output("LeftGammaWidth"), 1, 3, 320); // screen 3's left edge
    QVERIFY(writeBytes(path("bad.kxc"), bad));
    run = runCli({QStringLiteral("check"), path("bad.kxc")});
    QCOMPARE(run.status, 1);
    QVERIFY2(
        run.out.startsWith(QStringLiteral("Feather widths differ at the seam of screens 2 and 3 (screen 2 "
                                          "right 384, screen 3 left 320): a bright band")),
        qPrintable(run.out));
    run =
        runCli({QStringLiteral("check"), QStringLiteral("--json"), QStringLiteral("-")}, {}, path("bad.kxc"));
    QCOMPARE(run.status, 1);
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(json.value(QStringLiteral("format")).toInt(), 1);
    QCOMPARE(json.value(QStringLiteral("source")).toString(), QStringLiteral("file"));
    QCOMPARE(json.value(QStringLiteral("projectors")).toInt(), 6);
    const QJsonArray findings = json.value(QStringLiteral("findings")).toArray();
    QCOMPARE(findings.size(), 2);
    const QJsonObject first = findings.at(0).toObject();
    QCOMPARE(first.value(QStringLiteral("kind")).toString(), QStringLiteral("featherWidthMismatch"));
    QCOMPARE(first.value(QStringLiteral("screens")).toArray(), (QJsonArray{2, 3}));

    // The picture, as PNG or SVG; a file without a wall, a missing file and a bad name fail apart.
    run = runCli({QStringLiteral("preview"), path("bad.kxc"), QStringLiteral("-o"), path("wall.png")});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(QImage(path("wall.png")).size(), QSize(960, 560));
    run = runCli({QStringLiteral("preview"), path("bad.kxc"), QStringLiteral("-o"), path("wall.svg"),
                  QStringLiteral("--gamma"), QStringLiteral("2.4")});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QVERIFY(fileBytes(path("wall.svg")).contains("<svg"));
    QVERIFY(writeBytes(path("blank.kxc"), QByteArray(int(ConfigFile::FileSize), '\0')));
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("check"), path("blank.kxc")},
          QStringList{QStringLiteral("preview"), path("blank.kxc"), QStringLiteral("-o"), path("blank.png")},
          QStringList{QStringLiteral("preview"), path("bad.kxc"), QStringLiteral("-o"), path("wall.bmp")},
          QStringList{QStringLiteral("preview"), path("bad.kxc")},
          QStringList{QStringLiteral("check"), path("bad.kxc"), QStringLiteral("--gamma"),
                      QStringLiteral("0")},
          QStringList{QStringLiteral("check"), path("bad.kxc"), QStringLiteral("--devices")}}) {
        run = runCli(arguments);
        QVERIFY2(run.status == 2,
                 qPrintable(arguments.join(QLatin1Char(' ')) + QLatin1String(": ") + run.err));
    }
    QVERIFY(!QFile::exists(path("blank.png")));
    run = runCli({QStringLiteral("check"), path("missing.kxc")});
    QCOMPARE(run.status, 3);
    run =
        runCli({QStringLiteral("preview"), path("bad.kxc"), QStringLiteral("-o"), path("nowhere/wall.png")});
    QCOMPARE(run.status, 3);
}

void TestCli::checkTheDevices() {
    Run run = runCli(device(QStringLiteral("check"), {QStringLiteral("--devices")}));
    QVERIFY2(run.status == 0, qPrintable(run.err));
    SimDevice first = sim->device(1);
    first.outputs[2].blackLevel = 12; // screen 3
    sim->setDevice(1, first);
    run = runCli(device(QStringLiteral("check"), {QStringLiteral("--devices"), QStringLiteral("--json")}));
    QCOMPARE(run.status, 1);
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(json.value(QStringLiteral("source")).toString(), QStringLiteral("devices"));
    const QJsonArray findings = json.value(QStringLiteral("findings")).toArray();
    QCOMPARE(findings.size(), 2);
    for (const QJsonValue &f : findings)
        QCOMPARE(f.toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("blackLevelMismatch"));
    QVERIFY(findings.at(0)
                .toObject()
                .value(QStringLiteral("text"))
                .toString()
                .contains(QStringLiteral("screens 2 and 3 (0 and 12)")));
}

// The report of a file: the note, the date, the plan, every value in its device's table by channel, the
// findings; nothing about a link or IDs the file does not hold.
void TestCli::reportOfAFile() {
    QByteArray image = blendedImage(6);
    QVERIFY(ModelFields::setValue(image, output("BlackLevel"), 1, 3, 12));
    QVERIFY(ModelFields::setValue(image, output("BlackLevel"), 2, 2, 40));
    QVERIFY(writeBytes(path("wall.kxc"), image));
    // Under the sanitizer build with the suite's environment, LeakSanitizer's own tracer crashes (SIGSEGV
    // in the tracer) at the exit of the file report's runs; the leak check of the report's code stays on
    // in reportOfTheDevices, and the address checks stay on here.
    const QByteArray sanitizer = qgetenv("ASAN_OPTIONS");
    if (!sanitizer.isEmpty()) qputenv("ASAN_OPTIONS", sanitizer + ":detect_leaks=0");
    const auto restore = qScopeGuard([sanitizer] {
        if (!sanitizer.isEmpty()) qputenv("ASAN_OPTIONS", sanitizer);
    });
    Run run = runCli({QStringLiteral("report"), path("wall.kxc"), QStringLiteral("-o"), path("r.pdf"),
                      QStringLiteral("--note"), QStringLiteral("Hall B, north wall; handed to J. Doe")});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QString problem;
    const QString text = pdfText(path("r.pdf"), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    for (const QString &expected :
         {QStringLiteral("Hall B, north wall; handed to J. Doe"), QDate::currentDate().toString(Qt::ISODate),
          QStringLiteral("Kestrix 1"), QStringLiteral("Kestrix 2"),
          QStringLiteral("Black levels differ at the seam of screens 2 and 3 (0 and 12)"),
          QStringLiteral("No link: the report was written from the configuration file")})
        QVERIFY2(text.contains(expected),
                 qPrintable(expected + QStringLiteral(" is missing from:\n") + text));
    // Rows of the tables, channel by channel: device 1's first, then device 2's.
    const QStringList rows{
        QStringLiteral("Number of projectors\\s+6\\b"),
        QStringLiteral("Projector resolution\\s+1280x1024"),
        QStringLiteral("Projector overlap\\s+384 pixels"),
        QStringLiteral("\\n6\\s+4480\\s+5760\\b"),
        QStringLiteral("BlackLevel\\s+0\\s+0\\s+12\\s+0\\b[\\s\\S]*BlackLevel\\s+0\\s+40\\s*\\n"),
        QStringLiteral("RightGammaWidth\\s+384\\s+384\\s+384\\s+384\\b"),
        QStringLiteral("RS-485 ID\\s+not known")};
    for (const QString &row : rows)
        QVERIFY2(QRegularExpression(row).match(text).hasMatch(),
                 qPrintable(row + QStringLiteral(" not in:\n") + text));

    // Standard output, never a terminal; a bad command line is status 2, a bad file status 3.
    run = runCli({QStringLiteral("report"), path("wall.kxc"), QStringLiteral("-o"), QStringLiteral("-")},
                 path("out.pdf"));
    QCOMPARE(run.status, 0);
    QVERIFY(fileBytes(path("out.pdf")).startsWith("%PDF"));
    QCOMPARE(runCli({QStringLiteral("report"), path("wall.kxc")}).status, 2);
    QCOMPARE(runCli({QStringLiteral("report"), path("wall.kxc"), QStringLiteral("--devices"),
                     QStringLiteral("-o"), path("x.pdf")})
                 .status,
             2);
    QVERIFY(writeBytes(path("short.kxc"), "abc"));
    run = runCli({QStringLiteral("report"), path("short.kxc"), QStringLiteral("-o"), path("y.pdf")});
    QCOMPARE(run.status, 3);
    QVERIFY(!QFile::exists(path("y.pdf")));
}

// The report of what the devices hold: their IDs and versions, a value changed on one of them, the link.
void TestCli::reportOfTheDevices() {
    // A wall of seven projectors: device 2 drives screens 5 to 7.
    for (int d = 1; d <= 2; ++d) {
        SimDevice dev = sim->device(d);
        for (SimOutputChannel &o : dev.outputs)
            o.totalProjectors = 7;
        sim->setDevice(d, dev);
    }
    SimDevice second = sim->device(2);
    second.outputs[2].blackLevel = 37;
    second.version = {'3', '.', '0', '2', 'b'};
    sim->setDevice(2, second);
    const Run run = runCli(
        device(QStringLiteral("report"), {QStringLiteral("--devices"), QStringLiteral("-o"), path("d.pdf"),
                                          QStringLiteral("--link"), QStringLiteral("controller")}));
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QString problem;
    const QString text = pdfText(path("d.pdf"), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const QStringList rows{
        QStringLiteral("Kestrix 1\\s+Value\\s+RS-485 ID\\s+6\\s+Version\\s+2\\.17a"),
        QStringLiteral("Kestrix 2\\s+Value\\s+RS-485 ID\\s+7\\s+Version\\s+3\\.02b"),
        QStringLiteral("Output record form\\s+long: feathering widths and offsets, no halos"),
        QStringLiteral("BlackLevel\\s+0\\s+0\\s+0\\s+0\\b[\\s\\S]*BlackLevel\\s+0\\s+0\\s+37\\s*\\n"),
        QStringLiteral("LeftHaloWidth\\s+not reported"),
        QStringLiteral("Baud: 57600"),
        QStringLiteral("Mode: through the Controller \\(RS-485\\)"),
        QStringLiteral("Port: ") + QRegularExpression::escape(sim->slavePath())};
    for (const QString &row : rows)
        QVERIFY2(QRegularExpression(row).match(text).hasMatch(),
                 qPrintable(row + QStringLiteral(" not in:\n") + text));
}

// A wall of seven projectors with only device 1 on a direct line. diff compares device 1 and says
// plainly that device 2 could not be, with status 4 and no talk of a read that stopped; check finds
// nothing about device 2's screens, which were never read, and says once that it was not found.
void TestCli::oneDeviceOfATwoDeviceWall() {
    sim.reset();
    SimOptions direct;
    direct.mode = SimOptions::Direct;
    direct.onlyAtModeBaud = true;
    sim = std::make_unique<KestrixSimulator>(direct);
    QVERIFY(sim->start());
    SimDevice first = sim->device(1);
    for (SimOutputChannel &o : first.outputs)
        o.totalProjectors = 7;
    sim->setDevice(1, first);
    const QStringList link{QStringLiteral("--link"), QStringLiteral("direct"), QStringLiteral("--yes")};

    const Run read =
        runCli(device(QStringLiteral("read"), QStringList{QStringLiteral("-o"), path("seven.kxc")} + link));
    QVERIFY2(read.status == 0, qPrintable(read.err));
    QCOMPARE(ModelFields::value(fileBytes(path("seven.kxc")), output("TotalProjectors"), 1, 1), 7.0);

    Run diff = runCli(device(QStringLiteral("diff"), QStringList{path("seven.kxc")} + link));
    QCOMPARE(diff.status, 4);
    QCOMPARE(diff.out, QString());
    QVERIFY2(diff.err.contains(QStringLiteral("Only Kestrix 1 answered and was compared: it holds the file's "
                                              "settings.")),
             qPrintable(diff.err));
    QVERIFY2(diff.err.contains(QStringLiteral("Kestrix 2 was not found, so its settings could not be "
                                              "compared.")),
             qPrintable(diff.err));
    QVERIFY2(!diff.err.contains(QStringLiteral("stopped part-way")), qPrintable(diff.err));

    // A difference on device 1 is still listed, and the status still says a device was missing.
    first.outputs[1].blackLevel = 21;
    sim->setDevice(1, first);
    diff = runCli(
        device(QStringLiteral("diff"), QStringList{path("seven.kxc"), QStringLiteral("--json")} + link));
    QCOMPARE(diff.status, 4);
    const QJsonObject compared = QJsonDocument::fromJson(diff.out.toUtf8()).object();
    QCOMPARE(compared.value(QStringLiteral("devicesCompared")).toInt(), 1);
    const QJsonArray rows = compared.value(QStringLiteral("differences")).toArray();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0).toObject().value(QStringLiteral("field")).toString(), QStringLiteral("BlackLevel"));
    QVERIFY2(diff.err.contains(QStringLiteral("compared: 1 setting(s) differ.")), qPrintable(diff.err));
    QVERIFY2(!diff.err.contains(QStringLiteral("stopped part-way")), qPrintable(diff.err));

    // check: device 1's own seam with the changed black level is found; about device 2 one finding.
    const Run check = runCli(device(
        QStringLiteral("check"), QStringList{QStringLiteral("--devices"), QStringLiteral("--json")} + link));
    QCOMPARE(check.status, 1);
    const QJsonArray findings =
        QJsonDocument::fromJson(check.out.toUtf8()).object().value(QStringLiteral("findings")).toArray();
    QStringList kinds, texts;
    for (const QJsonValue &f : findings) {
        kinds << f.toObject().value(QStringLiteral("kind")).toString();
        texts << f.toObject().value(QStringLiteral("text")).toString();
    }
    QCOMPARE(kinds, (QStringList{QStringLiteral("blackLevelMismatch"), QStringLiteral("blackLevelMismatch"),
                                 QStringLiteral("tooFewDevices")}));
    QVERIFY2(
        texts.last().contains(QStringLiteral("Kestrix 2 was not found, so screens 5 to 7 were not read")),
        qPrintable(texts.last()));
    QCOMPARE(texts.filter(QStringLiteral("Kestrix 2")).size(), 1);
    QCOMPARE(texts.filter(QRegularExpression(QStringLiteral("screens? [5-8]\\b"))).size(), 1);
}

// The report's slice table and settings tables: the slices from 0 to the image width, as its blend
// picture lays them out, whatever the alignment; only the screens of the wall are listed.
void TestCli::reportSlicesAndScreensInUse() {
    const QByteArray sanitizer = qgetenv("ASAN_OPTIONS");
    if (!sanitizer.isEmpty()) qputenv("ASAN_OPTIONS", sanitizer + ":detect_leaks=0");
    const auto restore = qScopeGuard([sanitizer] {
        if (!sanitizer.isEmpty()) qputenv("ASAN_OPTIONS", sanitizer);
    });
    // Seven centred projectors of 1280 overlapping by 384: an image 6656 wide.
    QByteArray image = blendedImage(7);
    for (int d = 1; d <= 2; ++d)
        QVERIFY(ModelFields::setValue(image, output("Justification"), d, 1, 1));
    QVERIFY(ModelFields::setValue(image, output("BlackLevel"), 2, 3, 17));
    QVERIFY(writeBytes(path("seven.kxc"), image));
    const Run run =
        runCli({QStringLiteral("report"), path("seven.kxc"), QStringLiteral("-o"), path("r.pdf")});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QString problem;
    const QString text = pdfText(path("r.pdf"), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY2(QRegularExpression(QStringLiteral("Input image size\\s+6656 x 1024")).match(text).hasMatch(),
             qPrintable(text));
    QStringList slices;
    const QRegularExpression sliceRow(QStringLiteral("\\n([1-8])\\s+(\\d+)\\s+(\\d+)\\s*(?=\\n)"));
    for (auto it = sliceRow.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        slices << m.captured(1) + ":" + m.captured(2) + "-" + m.captured(3);
    }
    QCOMPARE(slices, (QStringList{"1:0-1280", "2:896-2176", "3:1792-3072", "4:2688-3968", "5:3584-4864",
                                  "6:4480-5760", "7:5376-6656"}));
    // Device 2's table has screens 5 to 7, and no screen 8.
    QVERIFY2(text.contains(QStringLiteral("Ch 3 (screen 7)")), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("screen 8")), qPrintable(text));
    QVERIFY2(QRegularExpression(QStringLiteral("BlackLevel\\s+0\\s+0\\s+17\\s*\\n")).match(text).hasMatch(),
             qPrintable(text));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
