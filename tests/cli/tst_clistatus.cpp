// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli's exit statuses where a wall meets too few devices: a file of 5 or more projectors needs
// two Kestrix devices, one of 4 or fewer needs one. Run as its own process against a Controller with
// one device behind it, on a pseudo-terminal.
#include "CliRun.h"
#include "KestrixSimulator.h"

#include <QTemporaryDir>
#include <QtTest>

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
        out.write(sendableImage(projectors));
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
