// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetSerialLink.h"

#include "EventPump.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace {

// Telnet.
constexpr quint8 IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr quint8 OptBinary = 0, OptSuppressGoAhead = 3, OptComPort = 44;

// COM-PORT-OPTION commands, client to server; the server answers each with the same code plus 100.
constexpr quint8 SetBaudRate = 1, SetDataSize = 2, SetParity = 3, SetStopSize = 4, SetControl = 5,
                 NotifyModemState = 7, SetModemStateMask = 11, ServerOffset = 100;
// SET-CONTROL values.
constexpr quint8 NoFlowControl = 1, HardwareFlowControl = 3, DtrOn = 8, RtsOn = 11;

quint8 parityCode(QSerialPort::Parity parity) {
    switch (parity) {
    case QSerialPort::OddParity:
        return 2;
    case QSerialPort::EvenParity:
        return 3;
    case QSerialPort::MarkParity:
        return 4;
    case QSerialPort::SpaceParity:
        return 5;
    case QSerialPort::NoParity:
        break;
    }
    return 1;
}

QByteArray bigEndian32(quint32 v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (24 - 8 * i)) & 0xff);
    return b;
}

// Whether answer is what one of the requests still open asked for; that request and the older ones are
// settled. An answer to nothing we asked (a server telling its own value) is left alone.
template <typename T> bool answers(QList<T> &requests, T answer) {
    if (requests.isEmpty()) return true;
    const qsizetype at = requests.indexOf(answer);
    if (at < 0) {
        requests.removeFirst();
        return false;
    }
    requests.remove(0, at + 1);
    return true;
}

bool wanted(quint8 option) {
    return option == OptBinary || option == OptSuppressGoAhead || option == OptComPort;
}

} // namespace

QString NetPortAddress::endpoint() const {
    const bool v6 = host.contains(QLatin1Char(':'));
    return (v6 ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2")).arg(host).arg(port);
}

QString NetPortAddress::text() const {
    return (kind == Kind::Rfc2217 ? QStringLiteral("rfc2217://") : QStringLiteral("tcp://")) + endpoint();
}

bool NetPortAddress::isNetworkName(const QString &name) {
    const QString t = name.trimmed();
    return t.startsWith(QLatin1String("rfc2217://"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive);
}

std::optional<NetPortAddress> NetPortAddress::parse(const QString &name, QString *problem) {
    const auto fail = [&](const QString &why) -> std::optional<NetPortAddress> {
        if (problem) *problem = why;
        return std::nullopt;
    };
    if (!isNetworkName(name))
        return fail(QStringLiteral("not a network port (rfc2217://HOST:PORT or tcp://HOST:PORT)"));
    static const QRegularExpression form(
        QStringLiteral("^(rfc2217|tcp)://(?:\\[([0-9A-Fa-f:.]+)\\]|([A-Za-z0-9._-]+)):([0-9]{1,5})$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(name.trimmed());
    if (!m.hasMatch())
        return fail(
            QStringLiteral("'%1' is not of the form rfc2217://HOST:PORT or tcp://HOST:PORT").arg(name));
    const int port = m.captured(4).toInt();
    if (port < 1 || port > 65535) return fail(QStringLiteral("port %1 is not between 1 and 65535").arg(port));
    NetPortAddress a;
    a.kind =
        m.captured(1).compare(QLatin1String("rfc2217"), Qt::CaseInsensitive) == 0 ? Kind::Rfc2217 : Kind::Raw;
    a.host = m.captured(2).isEmpty() ? m.captured(3) : m.captured(2);
    if (!m.captured(2).isEmpty() && QHostAddress(a.host).protocol() != QAbstractSocket::IPv6Protocol)
        return fail(QStringLiteral("'%1' is not an IPv6 address").arg(a.host));
    a.port = quint16(port);
    return a;
}

NetSerialLink::NetSerialLink(QObject *parent) : QIODevice(parent) {
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetSerialLink::onSocketReadyRead);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, &NetSerialLink::bytesWritten);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetSerialLink::onSocketFailed);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetSerialLink::onSocketFailed);
}

NetSerialLink::~NetSerialLink() {
    m_closing = true;
    m_socket.abort();
}

QString NetSerialLink::failureText() const {
    switch (m_socket.error()) {
    case QAbstractSocket::ConnectionRefusedError:
        return tr("the server %1 refused the connection").arg(m_address.endpoint());
    case QAbstractSocket::RemoteHostClosedError:
        return tr("the server %1 closed the connection").arg(m_address.endpoint());
    case QAbstractSocket::HostNotFoundError:
        return tr("the server %1 was not found").arg(m_address.endpoint());
    case QAbstractSocket::SocketTimeoutError:
        return tr("the server %1 did not answer in time").arg(m_address.endpoint());
    default:
        break;
    }
    if (m_socket.state() == QAbstractSocket::UnconnectedState &&
        m_socket.error() == QAbstractSocket::UnknownSocketError)
        return tr("the connection to %1 ended").arg(m_address.endpoint());
    return tr("the connection to %1 failed: %2").arg(m_address.endpoint(), m_socket.errorString());
}

bool NetSerialLink::openLink(const NetPortAddress &address, const LineSettings &settings) {
    if (isOpen()) close();
    m_address = address;
    m_settings = settings;
    m_input.clear();
    m_state = State::Data;
    m_sub.clear();
    m_comPortAgreed = m_comPortRefused = false;
    std::fill(std::begin(m_willSent), std::end(m_willSent), false);
    std::fill(std::begin(m_doSent), std::end(m_doSent), false);
    m_modemState = 0;
    m_closing = false;

    const QDeadlineTimer deadline(ConnectTimeoutMs);
    m_closing = true; // failures while connecting are this function's to report
    m_socket.connectToHost(address.host, address.port);
    // The window stays live while a far server is reached: the wait handles events, as every wait of
    // the link does (the pages are disabled around a search and an open).
    EventPump::waitUntil(
        [this] {
            return m_socket.state() == QAbstractSocket::ConnectedState ||
                   m_socket.state() == QAbstractSocket::UnconnectedState;
        },
        ConnectTimeoutMs);
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        const bool timedOut = m_socket.state() != QAbstractSocket::UnconnectedState ||
                              m_socket.error() == QAbstractSocket::SocketTimeoutError;
        setErrorString(timedOut ? tr("the server %1 did not answer within %2 s")
                                      .arg(address.endpoint())
                                      .arg(ConnectTimeoutMs / 1000)
                                : failureText());
        m_socket.abort();
        return false;
    }
    tuneSocket();
    QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    if (address.kind == NetPortAddress::Kind::Rfc2217) {
        // The settings go only to a server that has taken the option: one that has not would pass
        // them to the line as data. Waiting here is for the negotiation, which every RFC 2217 server
        // answers at once; it is bounded by the connect deadline.
        sendCommand(WILL, OptComPort);
        sendCommand(WILL, OptBinary);
        sendCommand(DO, OptBinary);
        sendCommand(WILL, OptSuppressGoAhead);
        sendCommand(DO, OptSuppressGoAhead);
        m_socket.flush();
        EventPump::waitUntil(
            [this] {
                return m_comPortAgreed || m_comPortRefused ||
                       m_socket.state() != QAbstractSocket::ConnectedState;
            },
            std::max<qint64>(1, deadline.remainingTime()));
        if (!m_comPortAgreed) {
            setErrorString(m_comPortRefused
                               ? tr("the server %1 does not take the COM port option (a raw port is named "
                                    "tcp://%1)")
                                     .arg(address.endpoint())
                           : m_socket.state() != QAbstractSocket::ConnectedState
                               ? failureText()
                               : tr("the server %1 did not take the COM port option within %2 s")
                                     .arg(address.endpoint())
                                     .arg(ConnectTimeoutMs / 1000));
            QIODevice::close();
            m_socket.abort();
            return false;
        }
        sendSettings();
    }
    m_closing = false;
    return true;
}

void NetSerialLink::tuneSocket() {
    // Every request is a few bytes waiting for an answer: no batching of small writes.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_UNIX
    const int fd = int(m_socket.socketDescriptor());
    const int idle = KeepAliveIdleS, interval = KeepAliveIntervalS, probes = KeepAliveProbes;
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
#ifdef TCP_USER_TIMEOUT
    const unsigned int unacknowledged = UnacknowledgedTimeoutMs;
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledged, sizeof unacknowledged);
#endif
#endif
}

void NetSerialLink::close() {
    m_closing = true;
    if (m_socket.state() == QAbstractSocket::ConnectedState) m_socket.flush();
    m_socket.abort();
    m_input.clear();
    QIODevice::close();
}

void NetSerialLink::sendCommand(quint8 verb, quint8 option) {
    if (verb == WILL) m_willSent[option] = true;
    if (verb == WONT) m_willSent[option] = false;
    if (verb == DO) m_doSent[option] = true;
    if (verb == DONT) m_doSent[option] = false;
    const char bytes[3] = {char(IAC), char(verb), char(option)};
    m_socket.write(bytes, 3);
}

void NetSerialLink::sendComPort(quint8 command, const QByteArray &value) {
    QByteArray frame;
    frame.append(char(IAC)).append(char(SB)).append(char(OptComPort)).append(char(command));
    for (char c : value) {
        frame.append(c);
        if (quint8(c) == IAC) frame.append(c);
    }
    frame.append(char(IAC)).append(char(SE));
    m_socket.write(frame);
}

void NetSerialLink::sendSettings() {
    sendComPort(SetBaudRate, bigEndian32(quint32(m_settings.baud)));
    m_baudRequests = {m_settings.baud};
    sendComPort(SetDataSize, QByteArray(1, char(8)));
    sendComPort(SetParity, QByteArray(1, char(parityCode(m_settings.parity))));
    m_parityRequests = {parityCode(m_settings.parity)};
    sendComPort(SetStopSize, QByteArray(1, char(1)));
    sendComPort(SetControl,
                QByteArray(1, char(m_settings.hardwareFlow ? HardwareFlowControl : NoFlowControl)));
    // As a local port raises DTR and RTS when it opens. A server whose line has no modem lines may not
    // answer these; nothing waits for it.
    sendComPort(SetControl, QByteArray(1, char(DtrOn)));
    sendComPort(SetControl, QByteArray(1, char(RtsOn)));
    // Tell every modem-line change (CTS, DCD for the lights).
    sendComPort(SetModemStateMask, QByteArray(1, char(0xff)));
    m_socket.flush();
}

void NetSerialLink::setBaudRate(int baud) {
    m_settings.baud = baud;
    if (!isOpen() || isRaw()) return;
    sendComPort(SetBaudRate, bigEndian32(quint32(baud)));
    m_baudRequests.append(baud);
    m_socket.flush();
}

void NetSerialLink::setParity(QSerialPort::Parity parity) {
    m_settings.parity = parity;
    if (!isOpen() || isRaw()) return;
    sendComPort(SetParity, QByteArray(1, char(parityCode(parity))));
    m_parityRequests.append(parityCode(parity));
    m_socket.flush();
}

void NetSerialLink::clearInput() {
    m_input.clear();
}

bool NetSerialLink::flush() {
    return m_socket.flush();
}

qint64 NetSerialLink::bytesAvailable() const {
    return m_input.size() + QIODevice::bytesAvailable();
}

qint64 NetSerialLink::bytesToWrite() const {
    return m_socket.bytesToWrite();
}

qint64 NetSerialLink::readData(char *data, qint64 maxSize) {
    const qint64 n = std::min<qint64>(maxSize, m_input.size());
    std::copy_n(m_input.constData(), n, data);
    m_input.remove(0, n);
    return n;
}

qint64 NetSerialLink::writeData(const char *data, qint64 size) {
    if (m_socket.state() != QAbstractSocket::ConnectedState) return -1;
    if (isRaw()) return m_socket.write(data, size);
    QByteArray escaped;
    escaped.reserve(size + 8);
    for (qint64 i = 0; i < size; ++i) {
        escaped.append(data[i]);
        if (quint8(data[i]) == IAC) escaped.append(data[i]);
    }
    return m_socket.write(escaped) == escaped.size() ? size : -1;
}

bool NetSerialLink::waitForReadyRead(int msecs) {
    if (!m_input.isEmpty()) return true;
    const QDeadlineTimer deadline(msecs);
    while (isOpen() && m_input.isEmpty()) {
        if (!m_socket.waitForReadyRead(int(std::max<qint64>(0, deadline.remainingTime())))) break;
    }
    return !m_input.isEmpty();
}

bool NetSerialLink::waitForBytesWritten(int msecs) {
    return m_socket.waitForBytesWritten(msecs);
}

void NetSerialLink::onSocketReadyRead() {
    const qint64 before = m_input.size();
    decode(m_socket.readAll());
    if (m_input.size() > before && isOpen() && !m_closing) emit readyRead();
}

void NetSerialLink::onSocketFailed() {
    if (m_closing || !isOpen()) return;
    // What arrived before the end is data like any other.
    if (m_socket.bytesAvailable() > 0) decode(m_socket.readAll());
    m_closing = true;
    setErrorString(failureText());
    emit failed(errorString());
    if (isOpen()) close();
}

void NetSerialLink::decode(const QByteArray &bytes) {
    if (isRaw()) {
        m_input += bytes;
        return;
    }
    for (const char ch : bytes) {
        const quint8 c = quint8(ch);
        switch (m_state) {
        case State::Data:
            if (c == IAC)
                m_state = State::Iac;
            else
                m_input.append(ch);
            break;
        case State::Iac:
            if (c == IAC) {
                m_input.append(ch);
                m_state = State::Data;
            } else if (c == WILL || c == WONT || c == DO || c == DONT) {
                m_verb = c;
                m_state = State::Verb;
            } else if (c == SB) {
                m_sub.clear();
                m_state = State::Sub;
            } else {
                m_state = State::Data; // NOP, GA and the like carry nothing for a serial line
            }
            break;
        case State::Verb:
            onNegotiation(m_verb, c);
            m_state = State::Data;
            break;
        case State::Sub:
            if (c == IAC)
                m_state = State::SubIac;
            else
                m_sub.append(ch);
            break;
        case State::SubIac:
            if (c == SE) {
                onSubnegotiation(m_sub);
                m_state = State::Data;
            } else {
                m_sub.append(ch); // IAC IAC inside: one 0xFF
                m_state = State::Sub;
            }
            break;
        }
    }
}

void NetSerialLink::onNegotiation(quint8 verb, quint8 option) {
    switch (verb) {
    case DO:
        if (option == OptComPort) m_comPortAgreed = true;
        if (!wanted(option))
            sendCommand(WONT, option);
        else if (!m_willSent[option])
            sendCommand(WILL, option);
        break;
    case DONT:
        if (option == OptComPort) m_comPortRefused = true;
        if (m_willSent[option]) sendCommand(WONT, option);
        break;
    case WILL:
        // Never an echo: the far end's answers must come from the device alone.
        if (!wanted(option) || option == OptComPort)
            sendCommand(DONT, option);
        else if (!m_doSent[option])
            sendCommand(DO, option);
        break;
    case WONT:
        if (m_doSent[option]) sendCommand(DONT, option);
        break;
    }
}

void NetSerialLink::onSubnegotiation(const QByteArray &body) {
    if (body.size() < 2 || quint8(body.at(0)) != OptComPort) return;
    const quint8 command = quint8(body.at(1));
    const QByteArray value = body.mid(2);
    if (command == NotifyModemState + ServerOffset && value.size() >= 1) {
        m_modemState = quint8(value.at(0));
    } else if (command == SetBaudRate + ServerOffset && value.size() >= 4) {
        quint32 baud = 0;
        for (int i = 0; i < 4; ++i)
            baud = (baud << 8) | quint8(value.at(i));
        if (!answers(m_baudRequests, int(baud)))
            emit notice(tr("the server %1 keeps its line at %2 baud").arg(m_address.endpoint()).arg(baud));
    } else if (command == SetParity + ServerOffset && value.size() >= 1) {
        if (!answers(m_parityRequests, quint8(value.at(0))))
            emit notice(tr("the server %1 did not take the parity").arg(m_address.endpoint()));
    }
}
