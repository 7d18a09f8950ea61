// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu's configuration file items through the real window: the dialogs answered by the test,
// the messages, the hourglass, and the pages refreshed from a loaded file without a byte to the devices.
#include "ConfigFile.h"
#include "ConfigFileMenu.h"
#include "DeviceModel.h"
#include "LinkRig.h"
#include "ModelFields.h"
#include "Preferences.h"
#include "SettingCatalogue.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kLoaded = QStringLiteral("File open successful. Lumivane updated with settings from file.");

SimOptions direct() {
    SimOptions o;
    o.mode = SimOptions::Direct;
    o.onlyAtModeBaud = true;
    return o;
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void open(LinkRig &rig, const QString &path) {
    rig.form->configFiles().setOpenDialog([path] { return path; });
    rig.trigger("OpenConfigurationFile1");
}

void save(LinkRig &rig, const QString &path) {
    rig.form->configFiles().setSaveDialog([path] { return path; });
    rig.trigger("SaveConfigurationtoFile1");
}

// The image of a wall of two centred projectors sharing 100 pixels, as the window saves it: device 1's
// system values in all four of its channel records.
QByteArray twoCentredProjectors() {
    QByteArray bytes(int(ConfigFile::FileSize), '\0');
    const float gamma = 2.2f;
    for (int channel = 1; channel <= 4; ++channel) {
        const int record = 840 + 88 * channel;
        bytes[record + 5] = 2;      // TotalProjectors
        bytes[record + 7] = 1;      // Justification: centred
        const qint32 overlap = 100; // OverlapWidth, little-endian
        std::memcpy(bytes.data() + record + 8, &overlap, sizeof overlap);
        std::memcpy(bytes.data() + record + 12, &gamma, sizeof gamma); // BasicGamma
    }
    bytes[840 + 88 * 2 + 68] = 17; // BlackLevel of device 1, channel 2
    // Edge gammas of 1.0 to 5.0 where the records hold anything (a gamma of 0 is no value a file may hold).
    for (int channel : {1, 2})
        for (int member : {20, 28}) // LeftGamma, RightGamma
            std::memcpy(bytes.data() + 840 + 88 * channel + member, &gamma, sizeof gamma);
    return bytes;
}

} // namespace

class ConfigMenuTest : public QObject {
    Q_OBJECT
private slots:
    void loadWhileLinkedSendsNothing();
    void refusedFileLeavesModelAndPages_data();
    void refusedFileLeavesModelAndPages();
    void outOfRangeFileIsRefused_data();
    void outOfRangeFileIsRefused();
    void saveThroughTheMenu();
    void openWaitsForADeviceAction();
    void recentFilesAndFolderAcrossRuns();
    void whatAReadGaveSavesAndOpensAgain();

private:
    QTemporaryDir dir;
};

// A loaded file's wall replaces the planned one with the take-over's warning, every page shows the
// file, and not a byte goes to the linked device; then the success message, with the hourglass up.
void ConfigMenuTest::loadWhileLinkedSendsNothing() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    rig.host.expectYesNo(true, "Serial communication established.");
    rig.trigger("KestrixconnectedtoSerialPortdirectly1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 3); // the device's four
    rig.host.entries.clear();
    rig.com1->clearRequests();

    const QByteArray file = twoCentredProjectors();
    const QString path = dir.filePath("wall.kxc");
    writeFile(path, file);
    open(rig, path);

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(LinkRig::wire(*rig.com1), QStringList{});
    QCOMPARE(rig.host.messages(),
             (QStringList{"Warning. Number of Projectors and Input Material Alignment information read from "
                          "Kestrix(s) does not match current values in the Planning page. \rPlanning page "
                          "values will be overwritten",
                          kLoaded}));
    QVERIFY(rig.host.entries.last().busyCursor);
    QVERIFY(!rig.host.busyCursor);
    QCOMPARE(rig.form->model().image(), file);
    QCOMPARE(rig.form->state().ModelFromFile, 1);
    QVERIFY(!rig.form->state().Refreshing);
    QCOMPARE(rig.form->state().CommandBusy, 0);
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 1);
    QCOMPARE(rig.find<QComboBox>("ImageAlignComboBox")->currentIndex(), 1);
    QCOMPARE(rig.fieldText("OWidthPlanningEdit"), QString("100"));
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("100"));
    QCOMPARE(rig.fieldText("Black2Edit"), QString("17"));
    // The notes, the devices needed and the image describe the file's two projectors, not the four read.
    const QString notes = rig.find<QPlainTextEdit>("ImageContentInfoMemo")->toPlainText();
    QVERIFY2(
        notes.startsWith(" - Single Graphic Source:    " + rig.fieldText("OutAspectRatioLabel") + " : 1"),
        qPrintable(notes));
    QCOMPARE(notes.count("Head Graphic Source"), 1);
    QVERIFY(notes.contains(" - 2 Head Graphic Source:    "));
    QCOMPARE(rig.fieldText("ImageSizeHLabel"), QString::number(2 * 1024 - 100));
    QCOMPARE(rig.fieldText("NumOfKestrixLabel"), QString("1"));
}

void ConfigMenuTest::refusedFileLeavesModelAndPages_data() {
    QTest::addColumn<int>("size"); // -1: no such file, -2: a FIFO nobody writes to, -3: a directory
    QTest::addColumn<QString>("message");
    QTest::newRow("one short") << 1719 << ConfigFile::message(ConfigFile::Result::BadSize);
    QTest::newRow("one long") << 1721 << ConfigFile::message(ConfigFile::Result::BadSize);
    QTest::newRow("missing") << -1 << ConfigFile::message(ConfigFile::Result::CannotOpen);
    // Reading would wait for a writer for ever and freeze the window.
    QTest::newRow("fifo") << -2
                          << QStringLiteral(
                                 "Error! Unable to open Configuration file. It is not a regular file.");
    QTest::newRow("directory") << -3 << ConfigFile::message(ConfigFile::Result::NotRegularFile);
}

void ConfigMenuTest::refusedFileLeavesModelAndPages() {
    QFETCH(int, size);
    QFETCH(QString, message);
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    const QString good = dir.filePath("good.kxc");
    writeFile(good, twoCentredProjectors());
    open(rig, good);
    rig.host.entries.clear();
    rig.form->state().ModelFromFile = 0;
    const QByteArray before = rig.form->model().image();
    const QStringList fields{rig.fieldText("OWidthEdit"), rig.fieldText("OWidthPlanningEdit"),
                             rig.fieldText("Black2Edit")};

    const QString bad = dir.filePath(QStringLiteral("bad%1.kxc").arg(size));
    QFile::remove(bad);
    if (size >= 0) writeFile(bad, QByteArray(size, '\x5a'));
    // The test keeps the FIFO open at both ends, so that a reader that did open it would not wait but
    // find it empty (and say the wrong thing) rather than hang the test.
    int fifoEnds = -1;
    const auto closeFifo = qScopeGuard([&fifoEnds] {
        if (fifoEnds >= 0) ::close(fifoEnds);
    });
    if (size == -2) {
        QCOMPARE(::mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
        fifoEnds = ::open(QFile::encodeName(bad).constData(), O_RDWR | O_NONBLOCK);
        QVERIFY(fifoEnds >= 0);
    }
    if (size == -3) QVERIFY(QDir(dir.path()).mkpath(QFileInfo(bad).fileName()));
    open(rig, bad);

    QCOMPARE(rig.host.messages(), QStringList{message});
    QVERIFY(rig.host.entries.last().busyCursor);
    QVERIFY(!rig.host.busyCursor);
    QCOMPARE(rig.form->model().image(), before);
    QCOMPARE(rig.form->state().ModelFromFile, 0);
    QCOMPARE((QStringList{rig.fieldText("OWidthEdit"), rig.fieldText("OWidthPlanningEdit"),
                          rig.fieldText("Black2Edit")}),
             fields);
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 1);

    // Cancelling the dialog does nothing at all.
    rig.host.entries.clear();
    open(rig, QString());
    QVERIFY(rig.host.entries.isEmpty());
    QVERIFY(!rig.host.busyCursor);
}

void ConfigMenuTest::outOfRangeFileIsRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("named"); // the lines of the message after its first
    QTest::newRow("zeros") << QByteArray(ConfigFile::FileSize, '\0')
                           << QStringList{"Kestrix 1 channel 1 TotalProjectors is 0 (allowed 1 to 8)",
                                          "Kestrix 1 channel 1 OverlapWidth is 0 (allowed 64 to 640)",
                                          "Kestrix 1 channel 1 BasicGamma is 0 (allowed 1 to 5)"};
    QByteArray layout = twoCentredProjectors();
    layout[935] = 7; // Justification
    const qint32 overlap = -5;
    std::memcpy(layout.data() + 936, &overlap, sizeof overlap);
    const float gamma = 42;
    std::memcpy(layout.data() + 940, &gamma, sizeof gamma); // BasicGamma
    QTest::newRow("alignment 7, overlap -5, gamma 42")
        << layout
        << QStringList{"Kestrix 1 channel 1 Justification is 7 (allowed 0 to 1)",
                       "Kestrix 1 channel 1 OverlapWidth is -5 (allowed 64 to 640)",
                       "Kestrix 1 channel 1 BasicGamma is 42 (allowed 1 to 5)"};
    QByteArray noise(ConfigFile::FileSize, '\0');
    QRandomGenerator random(12);
    for (char &b : noise)
        b = char(random.bounded(256));
    QTest::newRow("random") << noise << QStringList{};
}

// A file holding a value no page accepts is refused with one message naming the first bad values, and
// the model, the pages and the source flag stay as they were.
void ConfigMenuTest::outOfRangeFileIsRefused() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, named);
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    const QString good = dir.filePath("good.kxc");
    writeFile(good, twoCentredProjectors());
    open(rig, good);
    QCOMPARE(rig.host.messages().last(), kLoaded);
    rig.host.entries.clear();
    rig.form->state().ModelFromFile = 0;
    const QByteArray before = rig.form->model().image();
    const QStringList fields{rig.fieldText("OWidthEdit"), rig.fieldText("Black2Edit"),
                             rig.fieldText("BasicGammaEdit")};

    const QString path = dir.filePath("odd.kxc");
    writeFile(path, bytes);
    open(rig, path);

    QCOMPARE(rig.host.messages().size(), 1);
    const QStringList lines = rig.host.messages().constFirst().split('\n');
    QCOMPARE(lines.constFirst(),
             QString("Error! Configuration file holds values that cannot be used. File not opened."));
    if (!named.isEmpty()) QCOMPARE(lines.mid(1), named);
    // A file of noise: the first five are named, then how many more.
    if (named.isEmpty()) {
        QCOMPARE(lines.size(), 7);
        QVERIFY2(lines.last().startsWith("... and ") && lines.last().endsWith(" more."),
                 qPrintable(lines.last()));
    }
    QCOMPARE(rig.form->model().image(), before);
    QCOMPARE(rig.form->state().ModelFromFile, 0);
    QCOMPARE((QStringList{rig.fieldText("OWidthEdit"), rig.fieldText("Black2Edit"),
                          rig.fieldText("BasicGammaEdit")}),
             fields);
    QVERIFY(!rig.host.busyCursor);
}

// A save goes through the dialog's path with the hourglass; a failed one says so and keeps the old file.
void ConfigMenuTest::saveThroughTheMenu() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    const QString path = dir.filePath("saved.kxc");
    const QByteArray loaded = twoCentredProjectors();
    writeFile(path, loaded);
    open(rig, path);
    rig.host.entries.clear();

    const QString again = dir.filePath("again.kxc");
    save(rig, again);
    QVERIFY(rig.host.entries.isEmpty());
    QCOMPARE(readFile(again), loaded);

    rig.form->model().editOutput(1, 2, [&](OutputInfo &r) { r.BlackLevel = 99; });
    save(rig, dir.filePath("no/such/dir/x.kxc"));
    QCOMPARE(rig.host.messages(), QStringList{ConfigFile::message(ConfigFile::Result::CannotCreate)});
    QVERIFY(rig.host.entries.last().busyCursor);
    QVERIFY(!rig.host.busyCursor);
    QCOMPARE(readFile(again), loaded);
}

// Opening a file while a read is waiting for the device would put the file's records and the device's
// side by side in the model: the open does nothing until the device action has ended.
void ConfigMenuTest::openWaitsForADeviceAction() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    rig.host.expectYesNo(true, "Serial communication established.");
    rig.trigger("KestrixconnectedtoSerialPortdirectly1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    const QByteArray fromDevice = rig.form->model().image();
    const QString path = dir.filePath("during-read.kxc");
    writeFile(path, twoCentredProjectors());

    int dialogs = 0;
    int triedWhileBusy = 0;
    rig.form->configFiles().setOpenDialog([&dialogs, path] {
        ++dialogs;
        return path;
    });
    rig.host.onStatus = [&](const QString &text) {
        if (text != QStringLiteral("Querying Kestrix(s). Please wait....") || triedWhileBusy) return;
        if (rig.form->state().CommandBusy) ++triedWhileBusy;
        rig.trigger("OpenConfigurationFile1");
    };
    rig.host.entries.clear();
    rig.trigger("ReadfromKestrixs1");
    rig.host.onStatus = nullptr;

    QCOMPARE(triedWhileBusy, 1);
    QCOMPARE(dialogs, 0);
    QVERIFY(!rig.host.messages().contains(kLoaded));
    QCOMPARE(rig.form->model().image(), fromDevice);
    QCOMPARE(rig.form->state().ModelFromFile, 0);
    // Once the read is over, the same menu item opens the file.
    rig.trigger("OpenConfigurationFile1");
    QCOMPARE(dialogs, 1);
    QCOMPARE(rig.host.messages().last(), kLoaded);
}

namespace {

// A run of the program that keeps its settings in the given file; nothing behind either port.
std::unique_ptr<TLumivaneForm> runWithSettings(ScriptedHost &host, const QString &settingsFile) {
    FormOptions options;
    options.host = &host;
    options.settings = Preferences::fileStore(settingsFile);
    options.ports.setPath(1, QStringLiteral("/nonexistent/lumivane-com1"));
    options.ports.setPath(2, QStringLiteral("/nonexistent/lumivane-com2"));
    options.quit = [] {};
    return std::make_unique<TLumivaneForm>(options);
}

QStringList recentEntries(TLumivaneForm &form) {
    QStringList list;
    for (QAction *item : form.configFiles().recentMenu()->actions())
        list << item->text();
    return list;
}

// Answers the real Open dialog with a file, noting the folder it started in.
QString openThroughTheDialog(TLumivaneForm &form, const QString &path) {
    QString startFolder;
    QTimer answer;
    // The user types the file's path into the dialog's name field and accepts. (selectFile() is no
    // stand-in: for a file of the folder shown it selects through the dialog's file list, which is filled
    // in the background, and the selection can stay empty.)
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) return;
        answer.stop();
        startFolder = dialog->directory().absolutePath();
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    answer.start(10);
    form.findChild<QAction *>("OpenConfigurationFile1")->trigger();
    return startFolder;
}

} // namespace

// The dialogs start where the last file was chosen, and the File menu reopens the files last used, in
// this run and the next; a file that is gone is said to be gone and leaves the list.
void ConfigMenuTest::recentFilesAndFolderAcrossRuns() {
    QTemporaryDir settings;
    const QString settingsFile = settings.filePath("lumivane.conf");
    QDir(dir.path()).mkpath("site-a");
    QDir(dir.path()).mkpath("site-b");
    const QString a = dir.filePath("site-a/a.kxc");
    const QString b = dir.filePath("site-b/b.kxc");
    writeFile(b, twoCentredProjectors());

    ScriptedHost host;
    auto form = runWithSettings(host, settingsFile);
    QVERIFY(!form->configFiles().recentMenu()->menuAction()->isEnabled());
    form->configFiles().setOpenDialog([b] { return b; });
    form->findChild<QAction *>("OpenConfigurationFile1")->trigger();
    form->configFiles().setSaveDialog([a] { return a; });
    form->findChild<QAction *>("SaveConfigurationtoFile1")->trigger();
    QCOMPARE(recentEntries(*form), (QStringList{"&1 " + a, "&2 " + b}));
    // The real dialog opens where the last file was saved.
    form->configFiles().setOpenDialog({});
    host.entries.clear();
    QCOMPARE(openThroughTheDialog(*form, b), QFileInfo(a).absolutePath());
    QCOMPARE(host.messages(), QStringList{kLoaded});
    QCOMPARE(recentEntries(*form), (QStringList{"&1 " + b, "&2 " + a}));
    QVERIFY(form->configFiles().recentMenu()->menuAction()->isEnabled());

    // The next run: the same list, and the dialog opens in the folder of the last file opened.
    host.entries.clear();
    form = runWithSettings(host, settingsFile);
    QCOMPARE(recentEntries(*form), (QStringList{"&1 " + b, "&2 " + a}));
    QCOMPARE(openThroughTheDialog(*form, b), QFileInfo(b).absolutePath());

    // Reopening from the list loads the file and puts it first.
    host.entries.clear();
    form->configFiles().recentMenu()->actions().at(1)->trigger();
    QCOMPARE(host.messages(), QStringList{kLoaded});
    QCOMPARE(recentEntries(*form), (QStringList{"&1 " + a, "&2 " + b}));

    // A file removed since: a clear message, nothing loaded, and it leaves the list for good.
    QVERIFY(QFile::remove(b));
    host.entries.clear();
    const QByteArray before = form->model().image();
    form->configFiles().recentMenu()->actions().at(1)->trigger();
    QCOMPARE(host.messages(),
             QStringList{"Error! The configuration file \"" + b +
                         "\" cannot be found. It has been removed from the recent files list."});
    QCOMPARE(form->model().image(), before);
    QCOMPARE(recentEntries(*form), QStringList{"&1 " + a});
    form = runWithSettings(host, settingsFile);
    QCOMPARE(recentEntries(*form), QStringList{"&1 " + a});

    // The list keeps the last five files.
    for (int i = 1; i <= 6; ++i) {
        const QString path = dir.filePath(QStringLiteral("site-a/%1.kxc").arg(i));
        form->configFiles().setSaveDialog([path] { return path; });
        form->findChild<QAction *>("SaveConfigurationtoFile1")->trigger();
    }
    QCOMPARE(recentEntries(*form).size(), Preferences::kMaxRecentFiles);
    QCOMPARE(recentEntries(*form).first(), "&1 " + dir.filePath("site-a/6.kxc"));
    QCOMPARE(recentEntries(*form).last(), "&5 " + dir.filePath("site-a/2.kxc"));
}

// Whatever devices report within their own limits is saved and opened again: device 2's third input
// at V position 60 (centre 35, limit 70, beyond the page's reach of 16 lines), on a wall of eight.
// The file holds each device's system values alike in every channel record.
void ConfigMenuTest::whatAReadGaveSavesAndOpensAgain() {
    SimOptions sim;
    sim.mode = SimOptions::Controller;
    sim.ids = {5, 6};
    sim.onlyAtModeBaud = true;
    LinkRig rig(&sim, nullptr);
    for (int d = 1; d <= 2; ++d) {
        SimDevice device = rig.com1->device(d);
        for (SimOutputChannel &output : device.outputs) {
            output.totalProjectors = 8;
            output.basicGamma = 28;
        }
        rig.com1->setDevice(d, device);
    }
    SimDevice two = rig.com1->device(2);
    two.inputs[2].vPosition = 60;
    rig.com1->setDevice(2, two);
    rig.showOffline();
    rig.host.expectYesNo(true, "Serial communication established with Controller.");
    rig.trigger("KestrixconnectedthruController1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->model().input(2, 3).VPosition, 60);
    rig.host.entries.clear();

    const QString path = dir.filePath("read.kxc");
    save(rig, path);
    QCOMPARE(rig.host.messages(), QStringList());
    const QByteArray saved = readFile(path);
    QCOMPARE(saved, rig.form->model().image());
    for (const ModelFields::Field &field : ModelFields::all())
        if (SettingCatalogue::deviceWide(field))
            for (int d = 1; d <= 2; ++d)
                for (int c = 2; c <= 4; ++c)
                    QCOMPARE(ModelFields::text(saved, field, d, c), ModelFields::text(saved, field, d, 1));
    QCOMPARE(ModelFields::text(saved, *ModelFields::find(ModelFields::Record::Output, "BasicGamma"), 2, 3),
             QString("2.8"));

    open(rig, path);
    QCOMPARE(rig.host.messages(), QStringList{kLoaded});
    QCOMPARE(rig.form->model().image(), saved);
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
}

QTEST_MAIN(ConfigMenuTest)
#include "tst_configmenu.moc"
