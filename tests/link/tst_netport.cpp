// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port named as a network port, against a real ser2net serving a pseudo-terminal: the exact
// bytes on the far line both ways (Telnet's IAC byte among them), the line settings reaching the line
// through RFC 2217 and not through a raw port, a refused and a dropped connection as a failed opening
// and a lost line naming the server, and the modem-state notifications of a server (scripted here: a
// pseudo-terminal has no modem lines) as the CTS and DCD lights.
#include "EventPump.h"
#include "NetSerialLink.h"
#include "PtyPeer.h"
#include "Ser2Net.h"
#include "StatusLightController.h"
#include "TApdComPort.h"

#include <QAtomicInt>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QMutex>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

// What the port hands its listeners, notification by notification, until `until` has come.
QByteArray receive(TApdComPort &port, const QByteArray &until) {
    QByteArray got;
    const auto connection = QObject::connect(&port, &TApdComPort::OnTriggerAvail, [&](int count) {
        QByteArray block(count, '\0');
        block.resize(port.GetBlock(block.data(), count));
        got += block;
    });
    (void)QTest::qWaitFor([&] { return got.contains(until); }, 5000);
    QObject::disconnect(connection);
    return got;
}

// A server of the test's own on a thread of its own (the opening waits for the server's answer and
// blocks this thread meanwhile): `greeting` is written to each connection as it comes, `reply` answers
// what arrives, and everything the program sent is kept.
class ScriptedServer : public QThread {
public:
    QByteArray greeting;
    std::function<QByteArray(const QByteArray &)> reply = [](const QByteArray &) { return QByteArray(); };

    quint16 begin() {
        start();
        (void)QTest::qWaitFor([this] { return m_port.loadAcquire() != 0; }, 5000);
        return quint16(m_port.loadAcquire());
    }
    ~ScriptedServer() override {
        quit();
        wait();
    }
    QByteArray received() const {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }
    void clearReceived() {
        QMutexLocker lock(&m_mutex);
        m_received.clear();
    }
    void send(const QByteArray &bytes) {
        QMetaObject::invokeMethod(m_context, [this, bytes] {
            if (m_socket) m_socket->write(bytes);
        });
    }

protected:
    void run() override {
        QTcpServer server;
        QObject context;
        m_context = &context;
        QObject::connect(&server, &QTcpServer::newConnection, &context, [&] {
            m_socket = server.nextPendingConnection();
            QObject::connect(m_socket, &QTcpSocket::readyRead, &context, [this] {
                const QByteArray bytes = m_socket->readAll();
                {
                    QMutexLocker lock(&m_mutex);
                    m_received += bytes;
                }
                m_socket->write(reply(bytes));
            });
            m_socket->write(greeting);
        });
        server.listen(QHostAddress::LocalHost, 0);
        m_port.storeRelease(server.serverPort());
        exec();
        m_socket = nullptr;
    }

private:
    QAtomicInt m_port{0};
    QObject *m_context = nullptr;
    QTcpSocket *m_socket = nullptr;
    mutable QMutex m_mutex;
    QByteArray m_received;
};

struct NetRig {
    PtyPeer peer;
    Ser2Net server;
    TApdComPort port;

    bool start(bool raw) {
        QString error;
        if (!server.start(peer.ttyPath(), 38400, &error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        PortMap map;
        map.setPath(1, raw ? server.raw() : server.rfc2217());
        port.setPortMap(map);
        port.SetComNumber(1);
        return port.SetOpen(true);
    }
};

} // namespace

class TestNetPort : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { EventPump::clearAbort(); }

    void addresses_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("network");
        QTest::addColumn<QString>("parsed"); // empty: not well formed
        QTest::newRow("rfc2217") << "rfc2217://127.0.0.1:2217" << true << "rfc2217://127.0.0.1:2217";
        QTest::newRow("raw, name") << "tcp://rack-3.site:4001" << true << "tcp://rack-3.site:4001";
        QTest::newRow("scheme in capitals") << "RFC2217://host:1" << true << "rfc2217://host:1";
        QTest::newRow("ipv6") << "tcp://[::1]:7000" << true << "tcp://[::1]:7000";
        QTest::newRow("no port") << "rfc2217://host" << true << "";
        QTest::newRow("port 0") << "tcp://host:0" << true << "";
        QTest::newRow("port too large") << "tcp://host:65536" << true << "";
        QTest::newRow("path after port") << "tcp://host:7000/x" << true << "";
        QTest::newRow("bad ipv6") << "tcp://[zz]:7000" << true << "";
        QTest::newRow("device path") << "/dev/ttyUSB0" << false << "";
        QTest::newRow("other scheme") << "udp://host:7000" << false << "";
    }
    void addresses() {
        QFETCH(QString, name);
        QFETCH(bool, network);
        QFETCH(QString, parsed);
        QCOMPARE(NetPortAddress::isNetworkName(name), network);
        QString problem;
        const auto address = NetPortAddress::parse(name, &problem);
        QCOMPARE(address ? address->text() : QString(), parsed);
        QCOMPARE(problem.isEmpty(), bool(address));
        // The command line refuses a network port that is not well formed, naming the option.
        QCommandLineParser parser;
        PortMap::addOptions(parser);
        QVERIFY(parser.parse({QStringLiteral("lumivane"), QStringLiteral("--com2"), name}));
        PortMap map;
        map.applyOptions(parser);
        QCOMPARE(map.optionsProblem().isEmpty(), !network || bool(address));
        if (network && !address) QCOMPARE(map.optionsProblem(), QStringLiteral("--com2: ") + problem);
        // A name that is not well formed is not opened, and says why.
        if (network && !address) QVERIFY2(!TApdComPort::openProblem(name).isEmpty(), qPrintable(name));
    }

    // Bytes cross unchanged both ways, 0xFF (Telnet's IAC) among them; RFC 2217 sets the line's rate at
    // the opening and on every change, with no answer waited for.
    void rfc2217CarriesDataAndSettings() {
        SKIP_WITHOUT_SER2NET();
        NetRig rig;
        rig.port.SetBaud(57600); // set while closed: the opening sends it
        QVERIFY(rig.start(false));
        QVERIFY(rig.port.isOpen());
        QVERIFY(rig.port.isNetwork());
        QTRY_COMPARE(rig.peer.baud(), 57600);

        const QByteArray out("A\xff\xfe\xff"
                             "B\r",
                             6);
        QVERIFY(rig.port.PutString(out));
        QTRY_COMPARE(rig.peer.received, out);

        const QByteArray in("x\xff\xfd\x01y\xff#", 7);
        rig.peer.write(in);
        QCOMPARE(receive(rig.port, "#"), in);

        QSignalSpy ignored(&rig.port, &TApdComPort::lineSettingsIgnored);
        QVERIFY(rig.port.SetBaud(38400));
        QTRY_COMPARE(rig.peer.baud(), 38400);
        QVERIFY(rig.port.SetBaud(57600));
        QTRY_COMPARE(rig.peer.baud(), 57600);
        QCOMPARE(ignored.count(), 0);

        // A wait reads through the decoding too, 0xFF included.
        rig.peer.write(QByteArray("\xff\xff\xff>", 4));
        QVERIFY(rig.port.WaitForString(QByteArray("\xff>", 2), 40, true, false));
        QVERIFY(QString::fromLatin1(rig.port.trafficLog().toText())
                    .contains("port opened: rfc2217://127.0.0.1:"));
    }

    // A raw port passes every byte as it is and leaves the line's settings to the server; the program
    // says so once for the port, however often it changes them, open or closed.
    void rawPortKeepsTheServersSettings() {
        SKIP_WITHOUT_SER2NET();
        NetRig rig;
        QVERIFY(rig.start(true));
        QSignalSpy ignored(&rig.port, &TApdComPort::lineSettingsIgnored);
        const QByteArray out("A\xff\xff"
                             "B\r",
                             5);
        QVERIFY(rig.port.PutString(out));
        QTRY_COMPARE(rig.peer.received, out);
        const QByteArray in("\xff\xfb\x01z#", 5);
        rig.peer.write(in);
        QCOMPARE(receive(rig.port, "#"), in);

        QVERIFY(rig.port.SetBaud(57600));
        QVERIFY(rig.port.SetParity(QSerialPort::EvenParity));
        QVERIFY(rig.port.SetBaud(38400));
        QCOMPARE(ignored.count(), 1);
        QVERIFY2(ignored.first().first().toString().startsWith(
                     QStringLiteral("a raw network port (%1)").arg(rig.server.raw())),
                 qPrintable(ignored.first().first().toString()));
        QVERIFY(ignored.first().first().toString().contains("baud rate to 57600"));
        QTest::qWait(200); // a change would have reached the line by now
        QCOMPARE(rig.peer.baud(), 38400);

        rig.port.SetOpen(false);
        QVERIFY(rig.port.SetOpen(true));
        QVERIFY(rig.port.SetBaud(57600));
        QCOMPARE(ignored.count(), 1); // said once for the port
        rig.port.SetOpen(false);
        QVERIFY(rig.port.SetBaud(38400)); // while closed: the opening would change the line
        QVERIFY(rig.port.SetOpen(true));
        QCOMPARE(ignored.count(), 1);
    }

    void refusedConnectionFailsTheOpening() {
        const quint16 nobody = Ser2Net::freePort();
        for (const QString &scheme : {QStringLiteral("rfc2217"), QStringLiteral("tcp")}) {
            TApdComPort port;
            PortMap map;
            const QString name = QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(nobody);
            map.setPath(1, name);
            port.setPortMap(map);
            port.SetComNumber(1);
            QVERIFY(port.IsPortAvailable(1)); // the opening tells, not a trial connection
            QVERIFY(!port.SetOpen(true));
            QVERIFY(!port.isOpen());
            const QString expected =
                QStringLiteral("the server 127.0.0.1:%1 refused the connection").arg(nobody);
            QCOMPARE(port.errorText(), expected);
            QCOMPARE(TApdComPort::openProblem(name), expected);
        }
    }

    // The server goes away while the port is open: the line is lost once, the reason naming the server,
    // and the port is closed before anyone is told; a wait in progress ends at once.
    void droppedConnectionIsALostLine() {
        SKIP_WITHOUT_SER2NET();
        for (bool raw : {false, true}) {
            NetRig rig;
            QVERIFY(rig.start(raw));
            QSignalSpy lost(&rig.port, &TApdComPort::lineLost);
            QTimer::singleShot(100, [&] { rig.server.stop(); });
            QElapsedTimer clock;
            clock.start();
            QVERIFY(!rig.port.WaitForString("#", 200, true, false)); // 11 s at the real tick
            QVERIFY(rig.port.lastWaitFailed());
            QVERIFY(clock.elapsed() < 5000);
            QVERIFY(!rig.port.isOpen());
            QTRY_COMPARE(lost.count(), 1);
            QCOMPARE(lost.first().first().toString(),
                     QStringLiteral("the server 127.0.0.1:%1 closed the connection")
                         .arg(raw ? rig.server.rawPort : rig.server.rfcPort));
            QCOMPARE(rig.port.lossCount(), 1);
            QTest::qWait(100);
            QCOMPARE(lost.count(), 1);
        }
    }

    // A server that takes the COM port option, answers nothing it is asked (as one whose device has no
    // modem lines may do) and tells its modem lines: the opening goes on without the answers, the
    // lights follow the notifications, and the settings frames on the wire are the protocol's own.
    void modemStateDrivesTheLights() {
        ScriptedServer server;
        server.greeting = QByteArray("\xff\xfd\x2c", 3); // DO COM-PORT-OPTION
        const quint16 at = server.begin();
        TApdComPort port;
        PortMap map;
        map.setPath(1, QStringLiteral("rfc2217://127.0.0.1:%1").arg(at));
        port.setPortMap(map);
        port.SetComNumber(1);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(port.SetOpen(true));
        QVERIFY(clock.elapsed() < 2000); // nothing waited for the unanswered requests
        StatusLightController lights(port);
        lights.setTickMs(10);
        lights.SetMonitoring(true);
        QVERIFY(!port.CTS());
        QVERIFY(!port.DCD());
        // SET-BAUDRATE 38400, SET-DATASIZE 8, SET-PARITY none, SET-STOPSIZE 1, hardware flow control.
        const QByteArray settings("\xff\xfa\x2c\x01\x00\x00\x96\x00\xff\xf0"
                                  "\xff\xfa\x2c\x02\x08\xff\xf0"
                                  "\xff\xfa\x2c\x03\x01\xff\xf0"
                                  "\xff\xfa\x2c\x04\x01\xff\xf0"
                                  "\xff\xfa\x2c\x05\x03\xff\xf0",
                                  37);
        QTRY_VERIFY2(server.received().contains(settings), qPrintable(server.received().toHex(' ')));
        QVERIFY(server.received().startsWith(QByteArray("\xff\xfb\x2c", 3))); // WILL COM-PORT-OPTION first

        server.send(QByteArray("\xff\xfa\x2c\x6b\x90\xff\xf0", 7)); // NOTIFY-MODEMSTATE: DCD and CTS
        QTRY_VERIFY(lights.isLit(StatusLightController::CTS) && lights.isLit(StatusLightController::DCD));
        server.send(QByteArray("\xff\xfa\x2c\x6b\x10\xff\xf0", 7)); // CTS alone
        QTRY_VERIFY(!lights.isLit(StatusLightController::DCD));
        QVERIFY(lights.isLit(StatusLightController::CTS));

        // A baud rate with 0xFF in it goes out escaped inside the frame.
        server.clearReceived();
        port.SetBaud(0x1ff);
        QTRY_COMPARE(server.received(), QByteArray("\xff\xfa\x2c\x01\x00\x00\x01\xff\xff\xff\xf0", 11));
    }

    // A server that does not take the COM port option is told apart from a raw one at the opening.
    void serverWithoutComPortOption() {
        ScriptedServer server;
        server.reply = [](const QByteArray &bytes) {
            return bytes.contains(QByteArray("\xff\xfb\x2c", 3)) ? QByteArray("\xff\xfe\x2c", 3)
                                                                 : QByteArray();
        };
        const quint16 at = server.begin();
        TApdComPort port;
        PortMap map;
        map.setPath(1, QStringLiteral("rfc2217://127.0.0.1:%1").arg(at));
        port.setPortMap(map);
        port.SetComNumber(1);
        QVERIFY(!port.SetOpen(true));
        QVERIFY2(port.errorText().contains("does not take the COM port option"),
                 qPrintable(port.errorText()));
    }
};

QTEST_MAIN(TestNetPort)
#include "tst_netport.moc"
