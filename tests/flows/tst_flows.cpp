// SPDX-License-Identifier: GPL-3.0-or-later
// Connecting and reading without a window: ConnectFlow and ReadFlow over the real port and engine, the
// simulator behind COM1 (or nothing at all), a scripted user, and views that only record.
#include "CommandEngine.h"
#include "ConnectFlow.h"
#include "DeviceModel.h"
#include "EventPump.h"
#include "KestrixSimulator.h"
#include "Pacing.h"
#include "PortMap.h"
#include "ReadFlow.h"
#include "ScriptedHost.h"
#include "StatusQueries.h"
#include "TApdComPort.h"
#include "WindowState.h"

#include <QtTest>

#include <cstring>
#include <memory>

namespace {

// What the flows showed, as the window would have shown it.
struct RecordingView : ConnectView, ReadView {
    bool controllerMode = false;
    QList<int> portsFound;
    int idCount = 0, id1 = 0, id2 = 0;
    bool menusEnabled = false;
    int deviceCount = 0;
    QString version1, version2;
    QList<QPair<int, int>> progress;
    int allReadCalls = 0;
    bool busyWhenAllRead = false;
    ScriptedHost *host = nullptr;

    void controllerModeShown(bool on) override { controllerMode = on; }
    void portFound(int number) override { portsFound.append(number); }
    void deviceIdsShown(int count, int a, int b) override { idCount = count, id1 = a, id2 = b; }
    void deviceMenusEnabled(bool on) override { menusEnabled = on; }
    void deviceCountShown(int count) override { deviceCount = count; }
    void versionRead(int device, const QString &version) override {
        (device == 1 ? version1 : version2) = version;
    }
    void recordRead(int done, int total) override { progress.append({done, total}); }
    void allRead() override {
        ++allReadCalls;
        busyWhenAllRead = host->busyCursor;
    }
};

SimOptions simOptions(SimOptions::Mode mode, QList<int> ids = {1, 2}) {
    SimOptions o;
    o.mode = mode;
    o.ids = ids;
    o.onlyAtModeBaud = true; // a device found at the wrong rate would hide a wrong mode change
    return o;
}

// The program's link as the window builds it, without the window: COM1 leads to the simulator (or
// nowhere), COM2 nowhere.
struct FlowRig {
    Pacing pacing = Pacing::real().pausesScaled(0.1);
    ScriptedHost host;
    DeviceModel model;
    WindowState &state = model.state();
    std::unique_ptr<KestrixSimulator> sim;
    TApdComPort port;
    std::unique_ptr<CommandEngine> engine;
    std::unique_ptr<StatusQueries> queries;
    RecordingView view;
    std::unique_ptr<ConnectFlow> connect;
    std::unique_ptr<ReadFlow> read;

    explicit FlowRig(const SimOptions *onCom1) {
        EventPump::clearAbort();
        PortMap map;
        map.setPath(1, QStringLiteral("/nonexistent/lumivane-com1"));
        map.setPath(2, QStringLiteral("/nonexistent/lumivane-com2"));
        if (onCom1) {
            sim = std::make_unique<KestrixSimulator>(*onCom1);
            QString error;
            if (!sim->start(&error)) qFatal("simulator did not start: %s", qPrintable(error));
            map.setPath(1, sim->slavePath());
        }
        port.setPortMap(map);
        port.setTickMs(pacing.tickMs);
        engine = std::make_unique<CommandEngine>(port, host, state.CommandBusy, pacing);
        queries = std::make_unique<StatusQueries>(*engine, model);
        view.host = &host;
        connect = std::make_unique<ConnectFlow>(*engine, host, state, view);
        read = std::make_unique<ReadFlow>(*engine, host, model, *queries, *connect, view);
    }
    ~FlowRig() {
        read.reset();
        connect.reset();
        queries.reset();
        engine.reset();
        port.SetOpen(false); // before the far end goes away
    }

    // Every request the simulator received, as "<baud> <request>" lines; a probe (heard or not) is "CR".
    QStringList wire() const {
        QStringList lines;
        for (const SimRequest &r : sim->requests()) {
            QString what;
            if (r.kind == SimRequest::Probe || r.raw == "\r")
                what = QStringLiteral("CR");
            else if (r.kind == SimRequest::DebugOff)
                what = QStringLiteral("debug 0");
            else if (r.kind == SimRequest::CountQuery)
                what = QStringLiteral("NKX");
            else
                what = (r.targetId >= 0 ? QStringLiteral("*%1").arg(r.targetId) : QString()) +
                       QString::fromLatin1(r.command);
            lines.append(QStringLiteral("%1 %2").arg(r.baud).arg(what));
        }
        return lines;
    }
    bool clean() const { return host.unexpected.isEmpty() && host.pendingAnswers() == 0; }
};

// The nine records of one device as the line carries them; `id` > 0 addresses it through the
// Controller.
QStringList deviceRead(int id) {
    const QString prefix = id > 0 ? QStringLiteral("57600 *%1").arg(id) : QStringLiteral("38400 ");
    QStringList lines{prefix + "SYINFOKX"};
    for (const char *record : {"IINFOKX", "OINFOKX"})
        for (int c = 1; c <= 4; ++c)
            lines.append(prefix + QStringLiteral("%1 %2").arg(record).arg(c));
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(ConnectFlow::Route)

class FlowsTest : public QObject {
    Q_OBJECT
private slots:
    void connectsAndReads_data();
    void connectsAndReads();
    void nothingAttached_data();
    void nothingAttached();
    void failedRecordQuestion_data();
    void failedRecordQuestion();
};

void FlowsTest::connectsAndReads_data() {
    QTest::addColumn<bool>("controller");
    QTest::addColumn<ConnectFlow::Route>("route");
    QTest::addColumn<QStringList>("wire");
    const QStringList direct = QStringList{"38400 CR"} + deviceRead(0);
    const QStringList throughController =
        QStringList{"57600 CR", "57600 debug 0", "57600 NKX"} + deviceRead(5) + deviceRead(6);
    QTest::newRow("direct, search all") << false << ConnectFlow::Route::SearchAll << direct;
    QTest::newRow("direct, direct only") << false << ConnectFlow::Route::Direct << direct;
    // The search probes the direct line first (the probe and its repeat go unheard), then the Controller.
    QTest::newRow("Controller, search all")
        << true << ConnectFlow::Route::SearchAll << QStringList{"38400 CR", "38400 CR"} + throughController;
    QTest::newRow("Controller, Controller only")
        << true << ConnectFlow::Route::Controller << throughController;
}

// The device(s) found, the link up in the right mode, every record read into the model.
void FlowsTest::connectsAndReads() {
    QFETCH(bool, controller);
    QFETCH(ConnectFlow::Route, route);
    QFETCH(QStringList, wire);
    const SimOptions options = simOptions(controller ? SimOptions::Controller : SimOptions::Direct, {5, 6});
    FlowRig rig(&options);
    // Distinct values on each device, so that a record landing in the wrong table shows.
    SimDevice first = rig.sim->device(1);
    first.outputs[1].blackLevel = 61;
    first.inputs[2].hActive = 1280;
    rig.sim->setDevice(1, first);
    if (controller) {
        SimDevice second = rig.sim->device(2);
        second.outputs[2].blackLevel = 77;
        second.version = {'3', '.', '0', '1', 'b'};
        rig.sim->setDevice(2, second);
    }

    QVERIFY(rig.connect->connect(route));
    QVERIFY(rig.engine->LinkActive());
    QCOMPARE(rig.engine->controllerMode(), controller);
    QCOMPARE(rig.view.controllerMode, controller);
    QVERIFY(rig.view.menusEnabled);
    QCOMPARE(rig.view.portsFound, QList<int>{1});
    QVERIFY(rig.host.messages().isEmpty());

    QVERIFY(rig.read->readAll());
    QVERIFY2(rig.clean(), qPrintable(rig.host.unexpected.join('\n')));
    QVERIFY(rig.host.messages().isEmpty());
    QCOMPARE(rig.wire(), wire);

    const int devices = controller ? 2 : 1;
    QCOMPARE(rig.state.DeviceCount, devices);
    QCOMPARE(rig.view.deviceCount, devices);
    QCOMPARE(rig.state.ModelFromDevices, 1);
    QCOMPARE(rig.model.output(1, 2).BlackLevel, quint8(61));
    QCOMPARE(rig.model.input(1, 3).HActive, 1280);
    QCOMPARE(rig.view.version1, QString("2.17a"));
    if (controller) {
        QCOMPARE(rig.view.idCount, 2);
        QCOMPARE(rig.state.DeviceIds[1], 5);
        QCOMPARE(rig.state.DeviceIds[2], 6);
        QCOMPARE(int(rig.model.output(2, 3).BlackLevel), 77);
        QCOMPARE(rig.model.output(2, 2).OverlapWidth, 256);
        QCOMPARE(rig.view.version2, QString("3.01b"));
    }
    // Progress counts every record of the read once, up to all of them.
    QCOMPARE(rig.view.progress.size(), devices * ReadFlow::kRecordsPerDevice);
    for (int i = 0; i < rig.view.progress.size(); ++i)
        QCOMPARE(rig.view.progress[i], qMakePair(i + 1, devices * ReadFlow::kRecordsPerDevice));
    // The caller's last step runs while the read still shows as busy; then the read ends tidily.
    QCOMPARE(rig.view.allReadCalls, 1);
    QVERIFY(rig.view.busyWhenAllRead);
    QVERIFY(!rig.host.busyCursor);
    QVERIFY(!rig.host.progressVisible);
    QCOMPARE(rig.host.statusTexts.last(), QString());
}

void FlowsTest::nothingAttached_data() {
    QTest::addColumn<ConnectFlow::Route>("route");
    QTest::addColumn<QString>("message");
    QTest::newRow("search all") << ConnectFlow::Route::SearchAll << "Kestrix(s) not detected.\n";
    QTest::newRow("Controller") << ConnectFlow::Route::Controller << "Controller not detected.\n";
    QTest::newRow("direct") << ConnectFlow::Route::Direct << "Kestrix not detected on COM Ports.\n";
}

void FlowsTest::nothingAttached() {
    QFETCH(ConnectFlow::Route, route);
    QFETCH(QString, message);
    FlowRig rig(nullptr);

    QVERIFY(!rig.connect->connect(route));
    QVERIFY2(rig.clean(), qPrintable(rig.host.unexpected.join('\n')));
    QCOMPARE(rig.host.messages().size(), 1);
    QVERIFY2(rig.host.messages().first().startsWith(message), qPrintable(rig.host.messages().first()));
    QVERIFY(!rig.engine->LinkActive());
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.view.menusEnabled);
    QVERIFY(rig.view.portsFound.isEmpty());
    QVERIFY(!rig.host.busyCursor);
}

void FlowsTest::failedRecordQuestion_data() {
    QTest::addColumn<bool>("goOn");
    QTest::newRow("No stops the read") << false;
    QTest::newRow("Yes skips the record") << true;
}

// An input record that never arrives intact: the user is asked whether to go on.
void FlowsTest::failedRecordQuestion() {
    QFETCH(bool, goOn);
    const SimOptions options = simOptions(SimOptions::Direct);
    FlowRig rig(&options);
    QVERIFY(rig.connect->connect(ConnectFlow::Route::Direct));
    rig.sim->clearRequests();
    rig.sim->injectFault(SimFault::NoMarker, 1000, 0, "IINFOKX 2");
    rig.host.expectYesNo(goOn,
                         "Lumivane unable to read Input Status on Screen 2. Do you still wish to continue?");

    QCOMPARE(rig.read->readAll(), goOn);
    QVERIFY2(rig.clean(), qPrintable(rig.host.unexpected.join('\n')));
    const ScriptedHost::Entry &question =
        *std::find_if(rig.host.entries.cbegin(), rig.host.entries.cend(),
                      [](const ScriptedHost::Entry &e) { return e.kind == ScriptedHost::Kind::YesNo; });
    QCOMPARE(question.caption, QString("QLN - Lumivane :Error reading from Kestrix(s)"));
    QVERIFY(!rig.host.busyCursor);
    QVERIFY(!rig.host.progressVisible);
    QCOMPARE(rig.host.statusTexts.last(), QString());
    if (goOn) {
        // Everything else was read; the skipped record counts as done.
        QCOMPARE(rig.view.allReadCalls, 1);
        QCOMPARE(rig.state.ModelFromDevices, 1);
        QCOMPARE(rig.view.progress.last(), qMakePair(9, 9));
        QVERIFY(rig.wire().endsWith("38400 OINFOKX 4"));
    } else {
        QCOMPARE(rig.host.messages().last(),
                 QString("Kestrix communication error! Please check Serial connections and try again (-3)"));
        QCOMPARE(rig.view.allReadCalls, 0);
        QCOMPARE(rig.state.ModelFromDevices, 0);
        // Nothing is asked after the record the user gave up on.
        QCOMPARE(rig.wire().last(), QString("38400 IINFOKX 2"));
    }
}

QTEST_GUILESS_MAIN(FlowsTest)
#include "tst_flows.moc"
