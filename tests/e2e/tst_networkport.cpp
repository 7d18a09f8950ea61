// SPDX-License-Identifier: GPL-3.0-or-later
// The real window with COM1 named as a network port: ser2net serves the simulator's pseudo-terminal
// through RFC 2217 (and raw TCP). The search's switch between the direct and the Controller rate
// reaching the simulator's line, a read and a push of two devices through the Controller, the server
// dropping the connection in the middle of a read, and a server that refuses the connection.
#include "CommandEngine.h"
#include "ConfigFile.h"
#include "DeviceModel.h"
#include "LinkRig.h"
#include "Ser2Net.h"
#include "TApdComPort.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRegularExpression>

namespace {

SimOptions simulator(SimOptions::Mode mode) {
    SimOptions o;
    o.mode = mode;
    o.ids = {5, 6};
    o.onlyAtModeBaud = true; // answers only at its mode's own rate, as measured on its line
    return o;
}

QStringList withoutProbes(QStringList lines) {
    lines.removeIf([](const QString &l) { return l.endsWith(" CR"); });
    return lines;
}

// A rig whose COM1 is the simulator behind ser2net, reached through the given accepter.
struct NetLinkRig {
    Ser2Net server;
    std::unique_ptr<LinkRig> rig;
    QString name;

    NetLinkRig(const SimOptions &sim, bool raw = false) {
        rig = std::make_unique<LinkRig>(
            &sim, nullptr, Pacing::real().pausesScaled(0.1), [&](const QString &device) {
                QString error;
                if (!server.start(device, sim.mode == SimOptions::Direct ? 38400 : 57600, &error))
                    qFatal("ser2net: %s", qPrintable(error));
                name = raw ? server.raw() : server.rfc2217();
                return name;
            });
    }
    LinkRig &operator*() { return *rig; }
};

} // namespace

class NetworkPortTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { EventPump::clearAbort(); }

    void searchSwitchesTheServersRate_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("baud");
        QTest::newRow("direct") << int(SimOptions::Direct) << 38400;
        QTest::newRow("controller") << int(SimOptions::Controller) << 57600;
    }
    // The search tries the direct rate, then the Controller's; over RFC 2217 each reaches the simulator's
    // line, which answers only at its own mode's rate.
    void searchSwitchesTheServersRate() {
        SKIP_WITHOUT_SER2NET();
        QFETCH(int, mode);
        QFETCH(int, baud);
        const SimOptions sim = simulator(SimOptions::Mode(mode));
        NetLinkRig net(sim);
        LinkRig &rig = *net;
        rig.trigger("SearchAll");

        QVERIFY2(rig.clean(), qPrintable(rig.problems()));
        QVERIFY(rig.form->engine().LinkActive());
        QCOMPARE(rig.form->port().Baud(), baud);
        QCOMPARE(rig.com1->lineBaud(), baud);
        QCOMPARE(rig.labelText("ComPathLabel"), net.name);
        QCOMPARE(rig.labelText("NumOfKestrixDetectedLabel"), QString(mode == SimOptions::Direct ? "1" : "2"));
        const QList<SimRequest> requests = rig.com1->requests();
        QVERIFY(!requests.isEmpty());
        QCOMPARE(requests.first().baud, 38400); // the direct pass comes first
        for (const SimRequest &r : requests)
            QVERIFY2(r.error.isEmpty() || r.raw == "\r",
                     qPrintable(QString::fromLatin1(r.raw) + ": " + r.error));
        // Past the direct pass's probes, every request came at the mode's rate.
        int atRate = 0;
        for (const SimRequest &r : requests)
            if (r.raw != "\r") {
                QCOMPARE(r.baud, baud);
                ++atRate;
            }
        QVERIFY(atRate >= 9);
        // The traffic log's opening names the server.
        QVERIFY(
            QString::fromLatin1(rig.form->port().trafficLog().toText()).contains("port opened: " + net.name));
    }

    // Connected through the Controller, read, then every setting pushed back to both devices: all of it
    // reaches the simulator unharmed and the devices hold what they held.
    void readAndPushTwoDevices() {
        SKIP_WITHOUT_SER2NET();
        const SimOptions sim = simulator(SimOptions::Controller);
        NetLinkRig net(sim);
        LinkRig &rig = *net;
        const SimDevice before[2] = {rig.com1->device(1), rig.com1->device(2)};
        rig.host.expectYesNo(true, "Serial communication established with Controller.");
        rig.trigger("KestrixconnectedthruController1");
        QVERIFY2(rig.clean(), qPrintable(rig.problems()));
        QVERIFY(rig.form->engine().LinkActive());
        QCOMPARE(int(rig.form->model().output(1, 1).TotalProjectors),
                 int(before[0].outputs[0].totalProjectors));
        rig.com1->clearRequests();
        rig.host.entries.clear();

        rig.trigger("SendCurrentSettingstoKestrixs1");
        QVERIFY2(rig.clean(), qPrintable(rig.problems()));
        QCOMPARE(rig.host.messages(), QStringList{});
        const QStringList wire = withoutProbes(LinkRig::wire(*rig.com1));
        QVERIFY(wire.filter(QRegularExpression("^57600 \\*5")).size() > 10);
        QVERIFY(wire.filter(QRegularExpression("^57600 \\*6")).size() > 10);
        QCOMPARE(wire.filter(QRegularExpression("^(?!57600 )")), QStringList{});
        for (const SimRequest &r : rig.com1->requests())
            QVERIFY2(r.error.isEmpty(), qPrintable(QString::fromLatin1(r.raw) + ": " + r.error));
        QCOMPARE(rig.com1->device(1).outputs[0].overlapWidth, before[0].outputs[0].overlapWidth);
        QCOMPARE(rig.com1->device(2).outputs[3].totalProjectors, before[1].outputs[3].totalProjectors);
        QVERIFY(rig.form->engine().LinkActive());
    }

    // The server goes away in the middle of a read: the line-lost message naming it, once, and nothing
    // more; the model keeps what it held.
    void droppedConnectionDuringRead() {
        SKIP_WITHOUT_SER2NET();
        const SimOptions sim = simulator(SimOptions::Controller);
        NetLinkRig net(sim);
        LinkRig &rig = *net;
        rig.host.expectYesNo(false, "Serial communication established");
        rig.trigger("KestrixconnectedthruController1");
        QVERIFY(rig.form->engine().LinkActive());
        auto outputs = [&rig] { return rig.form->model().image().mid(ConfigFile::outputRecordOffset(1, 0)); };
        const QByteArray outputsBefore = outputs();
        const QByteArray lostAt("*5IINFOKX 4");
        rig.com1->injectFault(SimFault::Silence, 1, 0, lostAt);
        rig.com1->setRequestObserver([&](const SimRequest &r) {
            if (r.raw.contains(lostAt))
                QMetaObject::invokeMethod(
                    rig.form.get(), [&] { net.server.stop(); }, Qt::QueuedConnection);
        });
        rig.trigger("ReadfromKestrixs1");
        QTRY_VERIFY(!rig.form->engine().LinkActive());
        rig.com1->setRequestObserver({});
        QTest::qWait(200); // a second message would come from the event loop

        QVERIFY2(rig.clean(), qPrintable(rig.problems()));
        QCOMPARE(rig.host.messages(),
                 QStringList{
                     QStringLiteral("Error! COM Port #1 has stopped working (the server 127.0.0.1:%1 closed "
                                    "the connection) and has been closed. Please check the cable, then "
                                    "search for Kestrix(s) again.")
                         .arg(net.server.rfcPort)});
        QVERIFY(!rig.form->port().isOpen());
        QCOMPARE(outputs(), outputsBefore);
        QCOMPARE(rig.form->state().ModelFromDevices, 0);
        QVERIFY(!rig.host.progressVisible);
        QVERIFY(!rig.host.busyCursor);
    }

    // Nothing listens where COM1 points: the search says so once, naming the server, and goes on.
    void refusedConnection() {
        const quint16 nobody = Ser2Net::freePort();
        const QString name = QStringLiteral("rfc2217://127.0.0.1:%1").arg(nobody);
        LinkRig rig(nullptr, nullptr, Pacing::real().pausesScaled(0.1),
                    [&](const QString &) { return name; });
        QElapsedTimer clock;
        clock.start();
        rig.trigger("SearchAll");
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(!rig.form->engine().LinkActive());
        QVERIFY(!rig.form->port().isOpen());
        const QStringList messages = rig.host.messages();
        QVERIFY(!messages.isEmpty());
        QCOMPARE(messages.first(), QStringLiteral("Note: COM Port #1 (%1) cannot be reached: the server "
                                                  "127.0.0.1:%2 refused the connection.")
                                       .arg(name)
                                       .arg(nobody));
        // One note for each pass of the search (direct, then Controller), as for a local port that fails.
        QVERIFY(messages.filter("cannot be reached").size() <= 2);
        for (const QString &m : messages.filter("cannot be reached"))
            QCOMPARE(m, messages.first());
    }

    // A raw port: the search's rate switch cannot reach the line; the program says so once and the
    // device at the server's own rate is found.
    void rawPortSaysOnceThatItKeepsTheServersRate() {
        SKIP_WITHOUT_SER2NET();
        SimOptions sim = simulator(SimOptions::Controller);
        NetLinkRig net(sim, true);
        LinkRig &rig = *net;
        rig.trigger("SearchAll");
        QVERIFY(rig.form->engine().LinkActive());
        QCOMPARE(rig.com1->lineBaud(), 57600); // the server's setting, never changed
        const QStringList notes = rig.host.messages().filter("raw network port");
        QCOMPARE(notes.size(), 1);
        QVERIFY2(notes.first().startsWith(
                     QStringLiteral("Note: COM Port #1 is a raw network port (%1)").arg(net.name)),
                 qPrintable(notes.first()));
    }
};

QTEST_MAIN(NetworkPortTest)
#include "tst_networkport.moc"
