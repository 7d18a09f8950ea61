// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QSerialPort>
#include <QString>
#include <QTcpSocket>

#include <optional>

// A serial line reached through a network serial server, named in place of a device path:
//   rfc2217://HOST:PORT  a Telnet connection with the COM-PORT-OPTION (RFC 2217): the baud rate, data
//                        bits, parity, stop bits and flow control the program sets are sent to the server,
//                        which sets its serial line to them; the server's modem-state notifications give
//                        CTS and DCD.
//   tcp://HOST:PORT      a plain byte stream: the server's own line settings are used, and nothing the
//                        program sets reaches the line.
// HOST is a name, an IPv4 address or an IPv6 address in brackets ([::1]); PORT is 1 to 65535.
struct NetPortAddress {
    enum class Kind { Rfc2217, Raw };
    Kind kind = Kind::Raw;
    QString host;
    quint16 port = 0;

    // The address in the form it was parsed from, e.g. "rfc2217://127.0.0.1:2217".
    QString text() const;
    // HOST:PORT, as messages name the server.
    QString endpoint() const;

    // Whether name is meant as a network port (it starts with rfc2217:// or tcp://, in any case),
    // well formed or not.
    static bool isNetworkName(const QString &name);
    // The address of a well-formed network port name; nothing for anything else. problem, when given,
    // receives what is wrong with a network port name that is not well formed.
    static std::optional<NetPortAddress> parse(const QString &name, QString *problem = nullptr);
};

// The line behind a network port, as a QIODevice carrying the serial data only: the Telnet commands of
// an RFC 2217 connection are taken out of what is read, and data bytes that look like one (0xFF) are
// escaped on the way out, so reading and writing it is reading and writing the far serial line.
//
// Why a client of our own: Qt has no RFC 2217 client, and Debian 12 packages no maintained C or C++
// library for it that fits beside QSerialPort (apt-cache search rfc2217 finds nothing); what the
// program needs of the protocol is small: a few option negotiations, four line settings, flow control,
// DTR/RTS and the modem-state notification.
//
// Deadlines. Connecting (the name lookup, the TCP connection and, for RFC 2217, the server's agreement
// to the COM-PORT-OPTION) gives up after ConnectTimeoutMs; the wait handles events meanwhile, so the
// window stays live while a far server is reached (the caller gets the outcome). Once open, reading never
// blocks: each request's reply deadline is the engine's own, as on a local line. A server that stops
// answering without closing the connection (cable pulled, power lost) is found by TCP itself: keep-alive
// probes after KeepAliveIdleS seconds of silence and unacknowledged bytes for longer than
// UnacknowledgedTimeoutMs end the connection, which then counts as a lost line.
//
// Requests the server answers (the line settings, DTR and RTS) are sent and never waited on: a server
// whose device cannot carry one out (a pseudo-terminal has no modem lines) may leave it unanswered.
// An answer that differs from the request is reported through notice().
class NetSerialLink : public QIODevice {
    Q_OBJECT
public:
    static constexpr int ConnectTimeoutMs = 5000;
    static constexpr int KeepAliveIdleS = 5;
    static constexpr int KeepAliveIntervalS = 2;
    static constexpr int KeepAliveProbes = 3;
    static constexpr int UnacknowledgedTimeoutMs = 10000;

    struct LineSettings {
        int baud = 38400;
        QSerialPort::Parity parity = QSerialPort::NoParity;
        bool hardwareFlow = false;
    };

    explicit NetSerialLink(QObject *parent = nullptr);
    ~NetSerialLink() override;

    // Connects and, for RFC 2217, sends the settings. False, with errorString() naming the server, when
    // the server cannot be reached, refuses or does not take the COM-PORT-OPTION; closed then.
    bool openLink(const NetPortAddress &address, const LineSettings &settings);
    void close() override;
    const NetPortAddress &address() const { return m_address; }
    bool isRaw() const { return m_address.kind == NetPortAddress::Kind::Raw; }

    // Sends a setting to the server (RFC 2217); on a raw connection it changes nothing on the line.
    void setBaudRate(int baud);
    void setParity(QSerialPort::Parity parity);
    // Drops the data received and not read yet.
    void clearInput();
    // Hands what is queued to the socket now.
    bool flush();

    // The last modem state the server notified: CTS and DCD; false until it sends one.
    bool cts() const { return m_modemState & 0x10; }
    bool dcd() const { return m_modemState & 0x80; }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    qint64 bytesToWrite() const override;
    bool waitForReadyRead(int msecs) override;
    bool waitForBytesWritten(int msecs) override;

signals:
    // The connection failed or the server closed it. Emitted while the link is still open, with the data
    // that arrived before the end readable; the receiver closes it (or it closes itself afterwards).
    // reason names the server.
    void failed(const QString &reason);
    // Something the traffic log should hold: a server's answer that differs from the request.
    void notice(const QString &text);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    void onSocketReadyRead();
    void onSocketFailed();
    void decode(const QByteArray &bytes);
    void onNegotiation(quint8 verb, quint8 option);
    void onSubnegotiation(const QByteArray &body);
    void sendCommand(quint8 verb, quint8 option);
    void sendComPort(quint8 command, const QByteArray &value);
    void sendSettings();
    void tuneSocket();
    QString failureText() const;

    QTcpSocket m_socket;
    NetPortAddress m_address;
    LineSettings m_settings;
    QByteArray m_input; // decoded serial data not read yet

    enum class State { Data, Iac, Verb, Sub, SubIac };
    State m_state = State::Data;
    quint8 m_verb = 0;
    QByteArray m_sub;
    bool m_comPortAgreed = false;
    bool m_comPortRefused = false;
    bool m_willSent[256] = {};
    bool m_doSent[256] = {};
    quint8 m_modemState = 0;
    // Settings sent and not answered yet, oldest first: an answer is checked against its own request.
    QList<int> m_baudRequests;
    QList<quint8> m_parityRequests;
    bool m_closing = false;
};
