// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceModel.h"
#include "ProtocolRig.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray frame(const QByteArray &body) {
    int sum = 0;
    for (char ch : body)
        sum += quint8(ch);
    return "PASS " + body + QByteArray::number(sum % 256, 16).toUpper().rightJustified(2, '0') + "\r\r";
}

QList<QByteArray> inputQueries(bool controller, int id = 1) {
    QList<QByteArray> out;
    for (int ch = 1; ch <= 4; ++ch)
        out << (controller ? QByteArray("KXQUERY *%1IINFOKX %2!\r").replace("%1", QByteArray::number(id))
                           : QByteArray("IINFOKX %2\r"))
                   .replace("%2", QByteArray::number(ch));
    return out;
}

ProtocolRig::Setup mode(bool controller) {
    ProtocolRig::Setup s;
    s.controller = controller;
    s.ids = {1, 7};
    return s;
}

// The order in which the command set asked for page refreshes, and whether Refreshing was set each time.
struct RefreshLog {
    explicit RefreshLog(ProtocolRig &rig) {
        auto note = [this, &rig](const char *what) {
            entries << QString::fromLatin1(what);
            allWhileRefreshing = allWhileRefreshing && rig.state.Refreshing;
        };
        CommandSet *c = rig.commands.get();
        QObject::connect(c, &CommandSet::sourceSetupRefreshRequested, [=] { note("source"); });
        QObject::connect(c, &CommandSet::sourceColorsRefreshRequested, [=] { note("colors"); });
        QObject::connect(c, &CommandSet::seamRemovalRefreshRequested, [=] { note("seam"); });
        QObject::connect(c, &CommandSet::displaySetupRefreshRequested, [=] { note("display"); });
    }
    QStringList entries;
    bool allWhileRefreshing = true;
};

} // namespace

class tst_automatic : public QObject {
    Q_OBJECT

private slots:
    void colourBalanceDirect();
    void colourBalanceRefusedWithoutInput();
    void controllerOperations_data();
    void controllerOperations();
    void directOperations_data();
    void directOperations();
    void pollWaitGrowsWithProjectorsAtRealTiming();
    void linkDownOnlyReadsBack();
    void autoSeam_data();
    void autoSeam();
};

void tst_automatic::colourBalanceDirect() {
    ProtocolRig rig(mode(false));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    RefreshLog refreshes(rig);
    QList<int> ackTicks;
    rig.host.onStatus = [&](const QString &text) {
        if (text == QLatin1String("Sending command....")) ackTicks << rig.engine->ackWaitTicks();
    };

    rig.commands->RunAutoColorBalance(1);

    QCOMPARE(rig.rawRequests(), inputQueries(false) + QList<QByteArray>{"RGBADJ\r\r"} + inputQueries(false));
    QCOMPARE(ackTicks, QList<int>{31810});
    QCOMPARE(rig.engine->ackWaitTicks(), 80);
    QCOMPARE(rig.sim.device(1).autoColorBalances, 1);
    QVERIFY(rig.host.statusTexts.contains(
        QStringLiteral("Automatic Color Balance in progress. Please wait....")));
    QCOMPARE(rig.host.statusTexts.last(), QString());
    QCOMPARE(refreshes.entries, QStringList({"source", "colors"}));
    QVERIFY(refreshes.allWhileRefreshing);
    QVERIFY(!rig.state.Refreshing);
    QVERIFY(!rig.host.busyCursor);
    QVERIFY(rig.host.messages().isEmpty());
}

void tst_automatic::colourBalanceRefusedWithoutInput() {
    ProtocolRig rig(mode(true));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    SimDevice dev = rig.sim.device(1);
    dev.inputs[0].videoLoaded = 0;
    rig.sim.setDevice(1, dev);
    RefreshLog refreshes(rig);

    rig.commands->RunAutoColorBalance(1);

    QCOMPARE(rig.rawRequests(), inputQueries(true));
    QCOMPARE(rig.host.messages(),
             QStringList{"Error! Kestrix detect no input on input channel 1. Auto Color Balance aborted."});
    QCOMPARE(refreshes.entries, QStringList{"source"});
    QCOMPARE(rig.sim.device(1).autoColorBalances, 0);
    QVERIFY(!rig.host.busyCursor);
}

void tst_automatic::controllerOperations_data() {
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<int>("projectors");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("pollSettlePerProjector");
    QTest::newRow("colour balance, 8 projectors")
        << QByteArray("RGBADJ") << 8 << "Automatic Color Balance in progress. Please wait...." << 4850;
    QTest::newRow("position, 3 projectors")
        << QByteArray("AUTOPOS") << 3 << "Automatic Position setup in progress. Please wait...." << 700;
    QTest::newRow("phase, 5 projectors")
        << QByteArray("APHASE") << 5 << "Automatic Phase setup in progress. Please wait...." << 3400;
    QTest::newRow("phase, no projectors")
        << QByteArray("APHASE") << 0 << "Automatic Phase setup in progress. Please wait...." << 3400;
}

void tst_automatic::controllerOperations() {
    QFETCH(QByteArray, token);
    QFETCH(int, projectors);
    QFETCH(QString, status);
    ProtocolRig rig(mode(true));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    rig.model.editOutput(2, 1, [&](OutputInfo &r) { r.TotalProjectors = quint8(projectors); });
    RefreshLog refreshes(rig);

    if (token == "RGBADJ")
        rig.commands->RunAutoColorBalance(2);
    else if (token == "AUTOPOS")
        rig.commands->RunAutoPosition(2);
    else
        rig.commands->RunAutoPhase(2);

    // The operation, then the blank poll that carries the wait, both to device 2 by its ID 7.
    const QList<QByteArray> operation = {frame("*7" + token + "!"), frame("*7 !")};
    const bool colour = token == "RGBADJ";
    QCOMPARE(rig.rawRequests(),
             (colour ? inputQueries(true, 7) : QList<QByteArray>()) + operation + inputQueries(true, 7));
    QVERIFY(rig.host.statusTexts.contains(status));
    QCOMPARE(rig.host.statusTexts.last(), QString());
    QCOMPARE(refreshes.entries, colour ? QStringList({"source", "colors"}) : QStringList{"source"});
    QVERIFY(refreshes.allWhileRefreshing);
    QCOMPARE(rig.sim.device(2).polls, 1);
    // The poll carries the wait: its settle grows with the projectors of the wall.
    QFETCH(int, pollSettlePerProjector);
    QCOMPARE(rig.engine->lastSettleCount(), pollSettlePerProjector * projectors);
    QVERIFY(!rig.host.busyCursor);
}

void tst_automatic::directOperations_data() {
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<int>("ticks");
    QTest::newRow("position") << QByteArray("AUTOPOS") << 810;
    QTest::newRow("phase") << QByteArray("APHASE") << 21810;
}

void tst_automatic::directOperations() {
    QFETCH(QByteArray, token);
    QFETCH(int, ticks);
    ProtocolRig rig(mode(false));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    QList<int> ackTicks;
    rig.host.onStatus = [&](const QString &text) {
        if (text == QLatin1String("Sending command....")) ackTicks << rig.engine->ackWaitTicks();
    };
    if (token == "AUTOPOS")
        rig.commands->RunAutoPosition(1);
    else
        rig.commands->RunAutoPhase(1);
    QCOMPARE(rig.rawRequests(), QList<QByteArray>{token + "\r\r"} + inputQueries(false));
    QCOMPARE(ackTicks, QList<int>{ticks});
    QCOMPARE(rig.engine->ackWaitTicks(), 80);
}

void tst_automatic::pollWaitGrowsWithProjectorsAtRealTiming() {
    // Real pacing: the poll settles 700 steps of 1 ms per projector.
    ProtocolRig::Setup setup = mode(true);
    setup.pacingFactor = 1.0;
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    rig.model.editOutput(1, 1, [&](OutputInfo &r) { r.TotalProjectors = 2; });
    QElapsedTimer clock;
    clock.start();
    rig.commands->RunAutoPosition(1);
    QVERIFY2(clock.elapsed() >= 2 * 700, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rig.sim.device(1).autoPositions, 1);
}

void tst_automatic::linkDownOnlyReadsBack() {
    ProtocolRig::Setup setup = mode(false);
    setup.linkActive = false;
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    rig.commands->RunAutoPhase(1);
    QCOMPARE(rig.rawRequests(), inputQueries(false));
    QVERIFY(
        !rig.host.statusTexts.contains(QStringLiteral("Automatic Phase setup in progress. Please wait....")));
}

void tst_automatic::autoSeam_data() {
    QTest::addColumn<bool>("controller");
    QTest::addColumn<bool>("firstQueryFails");
    QTest::addColumn<int>("queries");
    QTest::addColumn<bool>("modelUpdated");
    QTest::newRow("controller") << true << false << 1 << true;
    QTest::newRow("controller, query asked again") << true << true << 2 << true;
    QTest::newRow("direct") << false << false << 1 << true;
    QTest::newRow("direct, asked once only") << false << true << 1 << false;
}

void tst_automatic::autoSeam() {
    QFETCH(bool, controller);
    QFETCH(bool, firstQueryFails);
    QFETCH(bool, modelUpdated);
    ProtocolRig rig(mode(controller));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    if (firstQueryFails) rig.sim.injectFault(SimFault::NoMarker, 1, 0, "OINFOKX 3");
    RefreshLog refreshes(rig);

    rig.commands->RunAutoSeam(1, 3);

    const QList<QByteArray> requests = rig.rawRequests();
    QCOMPARE(requests.first(), controller ? frame("*1AUTOSEAM 3!") : QByteArray("AUTOSEAM 3\r"));
    const QByteArray query = controller ? "KXQUERY *1OINFOKX 3!\r" : "OINFOKX 3\r";
    QFETCH(int, queries);
    QCOMPARE(requests.mid(1), QList<QByteArray>(queries, query));
    // The device's measured gains reach the model through the read-back.
    const auto measured = rig.sim.device(1).outputs[2].seamGain;
    QVERIFY(measured[7] != 0);
    QCOMPARE(rig.model.output(1, 3).SeamGain[7], modelUpdated ? measured[7] : quint8(0));
    QCOMPARE(refreshes.entries, QStringList{"seam"});
    QCOMPARE(rig.sim.device(1).autoSeams, 1);
}

QTEST_GUILESS_MAIN(tst_automatic)
#include "tst_automatic.moc"
