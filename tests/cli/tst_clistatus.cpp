// lumivane-cli's exit statuses where a wall meets too few devices: a file of 5 or more projectors needs
// two Kestrix devices, one of 4 or fewer needs one. Run as its own process against a Controller with
// one device behind it, on a pseudo-terminal.
#include "ConfigFile.h"
#include "KestrixSimulator.h"
#include "ModelFields.h"
#include "SettingCheck.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run runCli(const QStringList &arguments) {
    QProcess process;
    process.start(QStringLiteral(LUMIVANE_CLI), arguments);
    Run run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("lumivane-cli did not finish");
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A file of n projectors that the tool accepts: every value a push sends raised to the lowest it may
// be (what is sent depends on the projector count, so until nothing changes).
QByteArray wallOf(int n) {
    QByteArray image(int(ConfigFile::FileSize), '\0');
    const ModelFields::Field *total = ModelFields::find(ModelFields::Record::Output, "TotalProjectors");
    ModelFields::setValue(image, *total, 1, 1, n);
    for (bool changed = true; changed;) {
        changed = false;
        for (const SettingCheck::SentValue &v : SettingCheck::sentValues(image, 2)) {
            const auto range = SettingCheck::rangeOf(image, *v.field, v.fromDevice, v.fromChannel);
            if (!range || range->contains(ModelFields::value(image, *v.field, v.fromDevice, v.fromChannel)))
                continue;
            ModelFields::setValue(image, *v.field, v.fromDevice, v.fromChannel, range->lower);
            changed = true;
        }
    }
    if (!SettingCheck::check(image).isEmpty()) qFatal("the wall still holds a value that cannot be sent");
    return image;
}

} // namespace

class TestCliStatus : public QObject {
    Q_OBJECT
private slots:
    void wallNeedsItsDevices_data();
    void wallNeedsItsDevices();
};

void TestCliStatus::wallNeedsItsDevices_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("projectors");
    QTest::addColumn<int>("status");
    for (const char *command : {"diff", "push"}) {
        // A diff of a wall the one device holds only in part differs: 1.
        QTest::addRow("%s, 4 projectors", command) << command << 4 << (QByteArray(command) == "diff" ? 1 : 0);
        QTest::addRow("%s, 5 projectors", command) << command << 5 << 4;
        QTest::addRow("%s, 8 projectors", command) << command << 8 << 4;
    }
}

void TestCliStatus::wallNeedsItsDevices() {
    QFETCH(QString, command);
    QFETCH(int, projectors);
    QFETCH(int, status);
    SimOptions options = SimOptions::builtIn();
    options.ids = {6};
    KestrixSimulator sim(options);
    QString error;
    QVERIFY2(sim.start(&error), qPrintable(error));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("wall.kxc"));
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(wallOf(projectors));
    }
    const Run run = runCli({command, file, QStringLiteral("--com1"), sim.slavePath(),
                            QStringLiteral("--com2"), QStringLiteral("/nonexistent/lumivane-com2"),
                            QStringLiteral("--pacing-scale"), QStringLiteral("0.1")});
    QVERIFY2(run.status == status, qPrintable(QStringLiteral("status %1: %2").arg(run.status).arg(run.err)));
    if (status == 4) {
        QVERIFY2(run.err.contains(QStringLiteral("which need two Kestrix devices")), qPrintable(run.err));
        // Nothing was sent to the one device.
        for (const SimRequest &r : sim.requests())
            QVERIFY2(r.kind != SimRequest::Command, r.raw.constData());
    }
}

QTEST_GUILESS_MAIN(TestCliStatus)
#include "tst_clistatus.moc"
