// SPDX-License-Identifier: GPL-3.0-or-later
#include "TApdComPort.h"

#include "EventPump.h"
#include "TickDeadline.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cctype>
#include <cstring>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

TApdComPort::TApdComPort(QObject *parent) : QObject(parent) {
    setObjectName(QStringLiteral("ApdComPort1"));
    m_serial.setReadBufferSize(BufferSize);
    connect(&m_serial, &QSerialPort::readyRead, this, &TApdComPort::onReadyRead);
    connect(&m_serial, &QSerialPort::bytesWritten, this, &TApdComPort::dataSent);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &TApdComPort::onError);
    connect(&m_net, &QIODevice::readyRead, this, &TApdComPort::onReadyRead);
    connect(&m_net, &QIODevice::bytesWritten, this, &TApdComPort::dataSent);
    connect(&m_net, &NetSerialLink::failed, this, &TApdComPort::failLine);
    connect(&m_net, &NetSerialLink::notice, this, [this](const QString &text) { m_traffic.mark(text); });
}

TApdComPort::~TApdComPort() {
    m_serial.close();
    m_net.close();
}

bool TApdComPort::SetComNumber(int portNumber) {
    const bool sameDevice = !isOpen() || m_map.path(portNumber) == m_openPath;
    if (portNumber == m_comNumber && sameDevice) return true;
    m_comNumber = portNumber;
    if (!isOpen()) return true;
    closeDevice();
    return openDevice();
}

bool TApdComPort::SetOpen(bool open) {
    if (open == isOpen()) return true;
    if (!open) {
        closeDevice();
        return true;
    }
    return openDevice();
}

bool TApdComPort::openDevice() {
    m_errorText.clear();
    m_deniedGroup.clear();
    m_accessDenied = false;
    const QString path = devicePath();
    if (path.isEmpty()) {
        m_errorText = tr("No port chosen");
        return false;
    }
    if (NetPortAddress::isNetworkName(path)) {
        QString problem;
        const auto address = NetPortAddress::parse(path, &problem);
        if (!address) {
            m_errorText = problem;
            return false;
        }
        const NetSerialLink::LineSettings settings{m_baud, m_parity,
                                                   bool(m_flow & (hwfUseRTS | hwfRequireCTS))};
        if (!m_net.openLink(*address, settings)) {
            m_errorText = m_net.errorString();
            return false;
        }
        m_openPath = path;
        if (path != m_rawPath) m_rawNoticeGiven = false;
        // Closed and opened again with other settings (the search does so between its passes): the
        // program would have changed the server's line.
        const bool changedWhileClosed = path == m_rawPath && (m_rawBaud != m_baud || m_rawParity != m_parity);
        m_rawPath = path;
        m_rawBaud = m_baud;
        m_rawParity = m_parity;
        m_traffic.mark(address->kind == NetPortAddress::Kind::Raw
                           ? tr("port opened: %1, the server's own line settings").arg(path)
                           : tr("port opened: %1, %2 baud, parity %3, %4")
                                 .arg(path)
                                 .arg(m_baud)
                                 .arg(parityName(m_parity), settings.hardwareFlow ? tr("RTS/CTS flow control")
                                                                                  : tr("no flow control")));
        emit openChanged(true);
        if (changedWhileClosed)
            rawSettingIgnored(tr("baud rate to %1, parity %2").arg(m_baud).arg(parityName(m_parity)));
        return true;
    }
    // All settings go in before open() so that the device gets them in one go; QSerialPort applies
    // them while opening and fails the open if the device refuses one.
    m_serial.setPortName(path);
    m_serial.setBaudRate(m_baud);
    m_serial.setDataBits(QSerialPort::Data8);
    m_serial.setParity(m_parity);
    m_serial.setStopBits(QSerialPort::OneStop);
    m_serial.setFlowControl(m_flow & (hwfUseRTS | hwfRequireCTS) ? QSerialPort::HardwareControl
                                                                 : QSerialPort::NoFlowControl);
    m_applyingSetting = true;
    const bool opened = m_serial.open(QIODevice::ReadWrite);
    m_applyingSetting = false;
    if (!opened) {
        m_errorText = m_serial.errorString();
        if (m_serial.error() == QSerialPort::PermissionError) {
            m_deniedGroup = groupDenyingAccess(path);
            m_accessDenied = userMayNotUse(path);
        }
        m_serial.close();
        return false;
    }
    m_openPath = path;
    // The log runs on across sessions: the one that failed is what support asks for.
    m_traffic.mark(tr("port opened: %1, %2 baud, parity %3, %4")
                       .arg(path)
                       .arg(m_baud)
                       .arg(parityName(m_parity), m_serial.flowControl() == QSerialPort::HardwareControl
                                                      ? tr("RTS/CTS flow control")
                                                      : tr("no flow control")));
    emit openChanged(true);
    return true;
}

void TApdComPort::closeDevice() {
    if (!isOpen()) return;
    m_serial.close();
    m_net.close();
    m_lineOpen = false;
    m_traffic.mark(tr("port closed"));
    emit openChanged(false);
}

bool TApdComPort::applySetting(const std::function<bool()> &apply) {
    if (!isOpen()) return true;
    m_applyingSetting = true;
    const bool ok = apply();
    m_applyingSetting = false;
    if (!ok) m_errorText = m_serial.errorString();
    return ok;
}

bool TApdComPort::rawSettingIgnored(const QString &setting) {
    if (!m_net.isOpen() || !m_net.isRaw()) return false;
    m_traffic.mark(tr("%1 not changed: a raw network port keeps the server's settings").arg(setting));
    if (!m_rawNoticeGiven) {
        m_rawNoticeGiven = true;
        emit lineSettingsIgnored(
            tr("a raw network port (%1): the program cannot change its line settings (it was to set the "
               "%2). The server's own settings stay in force; a server that takes them is named "
               "rfc2217://%3.")
                .arg(m_openPath, setting, m_net.address().endpoint()));
    }
    return true;
}

bool TApdComPort::SetBaud(int baud) {
    if (m_net.isOpen()) {
        if (baud != m_baud && !rawSettingIgnored(tr("baud rate to %1").arg(baud))) {
            m_net.setBaudRate(baud);
            m_traffic.mark(tr("baud changed to %1").arg(baud));
        }
        m_baud = m_rawBaud = baud;
        return true;
    }
    if (!applySetting([&] { return m_serial.setBaudRate(baud); })) return false;
    if (baud != m_baud && isOpen()) m_traffic.mark(tr("baud changed to %1").arg(baud));
    m_baud = baud;
    return true;
}

bool TApdComPort::SetParity(QSerialPort::Parity parity) {
    // A refused parity (a pseudo-terminal only does 8N1) leaves the old one in force.
    if (m_net.isOpen()) {
        if (parity != m_parity && !rawSettingIgnored(tr("parity to %1").arg(parityName(parity)))) {
            m_net.setParity(parity);
            m_traffic.mark(tr("parity changed to %1").arg(parityName(parity)));
        }
        m_parity = m_rawParity = parity;
        return true;
    }
    if (!applySetting([&] { return m_serial.setParity(parity); })) return false;
    if (parity != m_parity && isOpen()) m_traffic.mark(tr("parity changed to %1").arg(parityName(parity)));
    m_parity = parity;
    return true;
}

QString TApdComPort::parityName(QSerialPort::Parity parity) {
    switch (parity) {
    case QSerialPort::NoParity:
        return tr("none");
    case QSerialPort::EvenParity:
        return tr("even");
    case QSerialPort::OddParity:
        return tr("odd");
    case QSerialPort::SpaceParity:
        return tr("space");
    case QSerialPort::MarkParity:
        return tr("mark");
    }
    return QString::number(int(parity));
}

bool TApdComPort::userMayNotUse(const QString &path) {
#ifdef Q_OS_UNIX
    // The effective user is the one that opens the device.
    return ::faccessat(AT_FDCWD, path.toLocal8Bit().constData(), R_OK | W_OK, AT_EACCESS) != 0 &&
           errno == EACCES;
#else
    Q_UNUSED(path);
    return false;
#endif
}

QString TApdComPort::groupDenyingAccess(const QString &path) {
#ifdef Q_OS_UNIX
    const QByteArray file = path.toLocal8Bit();
    struct stat info {};
    if (::stat(file.constData(), &info) != 0) return {};
    // The effective user is the one that opens the device.
    if (::faccessat(AT_FDCWD, file.constData(), R_OK | W_OK, AT_EACCESS) == 0 || errno != EACCES) return {};
    // Joining the group only helps when the group may read and write the device; and nobody is sent
    // to join the superuser's group.
    if (info.st_gid == 0 || (info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) return {};
    if (const group *owner = ::getgrgid(info.st_gid)) return QString::fromLocal8Bit(owner->gr_name);
    return QString::number(info.st_gid);
#else
    Q_UNUSED(path);
    return {};
#endif
}

QString TApdComPort::openProblem(const QString &path) {
    if (path.isEmpty()) return tr("no port chosen");
    if (NetPortAddress::isNetworkName(path)) {
        QString problem;
        const auto address = NetPortAddress::parse(path, &problem);
        if (!address) return problem;
        // Connecting is the only way to know; the server's device is opened briefly by it.
        NetSerialLink trial;
        if (!trial.openLink(*address, {})) return trial.errorString();
        trial.close();
        return QString();
    }
#ifdef Q_OS_UNIX
    // QSerialPort looks a name without a folder up under /dev.
    const bool bare = !path.contains(QLatin1Char('/'));
    const QString full = bare ? QStringLiteral("/dev/") + path : path;
    const QString lookedUp = bare ? tr(" (looked up as %1)").arg(full) : QString();
    const QByteArray file = QFile::encodeName(full);
    struct stat info {};
    if (::stat(file.constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return tr("no such device%1").arg(lookedUp);
        return tr("cannot be reached%1: %2").arg(lookedUp, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (S_ISDIR(info.st_mode)) return tr("is a folder%1, not a serial device").arg(lookedUp);
    if (!S_ISCHR(info.st_mode)) return tr("is a file%1, not a serial device").arg(lookedUp);
    const QString group = groupDenyingAccess(full);
    if (!group.isEmpty())
        return tr("permission denied%1: the device belongs to the group \"%2\", which this user is not in")
            .arg(lookedUp, group);
    const int fd = ::open(file.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EBUSY) return tr("busy%1: another program holds it").arg(lookedUp);
        if (errno == EACCES || errno == EPERM) return tr("permission denied%1").arg(lookedUp);
        if (errno == ENXIO || errno == ENODEV)
            return tr("no such device%1 (the node exists, the hardware does not)").arg(lookedUp);
        return tr("cannot be opened%1: %2").arg(lookedUp, QString::fromLocal8Bit(std::strerror(errno)));
    }
    termios settings{};
    const bool terminal = ::tcgetattr(fd, &settings) == 0;
    const int terminalError = errno;
    ::close(fd);
    if (!terminal) {
        if (terminalError == ENOTTY || terminalError == EINVAL)
            return tr("is not a serial device%1").arg(lookedUp);
        return tr("does not answer as a serial device%1: %2")
            .arg(lookedUp, QString::fromLocal8Bit(std::strerror(terminalError)));
    }
    // The device itself is fine; Qt's lock file or another program's exclusive hold is what is left.
    QSerialPort trial;
    trial.setPortName(full);
    if (trial.open(QIODevice::ReadWrite)) {
        trial.close();
        return QString();
    }
    if (trial.error() == QSerialPort::PermissionError)
        return tr("busy%1: another program holds it or has locked it").arg(lookedUp);
    return tr("cannot be opened%1: %2").arg(lookedUp, trial.errorString());
#else
    QSerialPort trial;
    trial.setPortName(path);
    if (trial.open(QIODevice::ReadWrite)) {
        trial.close();
        return QString();
    }
    return trial.errorString();
#endif
}

bool TApdComPort::IsPortAvailable(int portNumber) const {
    const QString path = m_map.path(portNumber);
    if (path.isEmpty()) return false;
    if (isOpen() && path == m_openPath) return true;
    // A server is not tried out here: many serve one client at a time, and a trial connection could
    // hold the line against the opening that follows. The opening tells.
    if (NetPortAddress::isNetworkName(path)) return true;
    QSerialPort trial;
    trial.setPortName(path);
    if (trial.open(QIODevice::ReadWrite)) {
        trial.close();
        return true;
    }
    // Qt's lock file and TIOCEXCL turn "held by another program" into a permission error.
    return trial.error() == QSerialPort::PermissionError;
}

void TApdComPort::FlushInBuffer() {
    if (!isOpen()) return;
    // What is thrown away here did arrive; the traffic log keeps it.
    // Only what is already buffered: reading the device here could meet a failed line.
    if (const qint64 buffered = io().bytesAvailable(); buffered > 0)
        m_traffic.record(TrafficLog::Direction::Received, io().read(buffered));
    if (m_net.isOpen())
        m_net.clearInput();
    else
        m_serial.clear(QSerialPort::Input);
}

int TApdComPort::GetOutBuffFree() const {
    if (!isOpen()) return BufferSize;
    return int(std::max<qint64>(0, BufferSize - io().bytesToWrite()));
}

bool TApdComPort::PutString(const QByteArray &text) {
    if (!isOpen()) return false;
    const qint64 written = io().write(text);
    if (written > 0) {
        m_traffic.record(TrafficLog::Direction::Sent, text.left(written));
        m_lineOpen = text.at(written - 1) != '\r';
    }
    if (written != text.size()) return false;
    // QSerialPort only queues the bytes and writes them at the next pass of the event loop; whatever
    // the caller does before it waits (status text, disabling the pages) would stand between the answer
    // and the request on the line. Hand them to the device now.
    if (m_net.isOpen())
        m_net.flush();
    else
        m_serial.flush();
    emit handedToLine(int(written));
    return true;
}

bool TApdComPort::PutChar(char c) {
    return PutString(QByteArray(1, c));
}

bool TApdComPort::WaitForString(const QByteArray &s, int ticks, bool yield, bool ignoreCase) {
    m_lastWaitFailed = false;
    if (s.isEmpty()) return true;
    if (!isOpen()) {
        m_lastWaitFailed = true;
        return false;
    }
    ++m_rawWaits;
    const auto resumeNotifications = qScopeGuard([this] {
        if (--m_rawWaits == 0) scheduleDelivery();
    });

    const auto same = [ignoreCase](char a, char b) {
        return ignoreCase ? std::tolower(uchar(a)) == std::tolower(uchar(b)) : a == b;
    };
    const TickDeadline deadline(TickDeadline::clockMs(), ticks, m_tickMs);
    int matched = 0;
    for (;;) {
        char c;
        QByteArray consumed;
        const auto logConsumed =
            qScopeGuard([&] { m_traffic.record(TrafficLog::Direction::Received, consumed); });
        while (isOpen() && io().getChar(&c)) {
            consumed += c;
            if (same(c, s.at(matched)))
                ++matched;
            else
                matched = same(c, s.at(0)) ? 1 : 0;
            if (matched == s.size()) return true;
        }
        if (!isOpen()) {
            m_lastWaitFailed = true;
            return false;
        }
        if (EventPump::aborting()) return true;
        const qint64 left = deadline.remainingMs(TickDeadline::clockMs());
        if (left == 0) return false;
        if (yield)
            EventPump::waitUntil([this] { return !isOpen() || io().bytesAvailable() > 0; }, left);
        else
            io().waitForReadyRead(int(std::min<qint64>(left, 1000))); // the loop waits on
    }
}

int TApdComPort::GetBlock(void *destination, int count) const {
    const int n = std::clamp(count, 0, m_blockLength);
    std::memcpy(destination, m_block, size_t(n));
    return n;
}

void TApdComPort::onReadyRead() {
    scheduleDelivery();
}

// Notifications are posted, never run from inside QSerialPort's own signal: QSerialPort does not emit
// readyRead again while a handler of it is still running, and our handlers may pump events for a long
// time (message boxes, pauses). Posting keeps every arrival announced.
void TApdComPort::scheduleDelivery() {
    if (m_deliveryQueued || !isOpen() || io().bytesAvailable() == 0) return;
    m_deliveryQueued = true;
    QMetaObject::invokeMethod(this, &TApdComPort::deliver, Qt::QueuedConnection);
}

void TApdComPort::deliver() {
    m_deliveryQueued = false;
    if (m_delivering || m_rawWaits > 0 || !isOpen())
        return; // resumed when the running notification or wait ends
    const qint64 n = io().read(m_block, BufferSize);
    if (n <= 0) return;
    m_traffic.record(TrafficLog::Direction::Received, QByteArray(m_block, int(n)));
    m_blockLength = int(n);
    m_delivering = true;
    emit OnTriggerAvail(m_blockLength);
    m_delivering = false;
    m_blockLength = 0;
    scheduleDelivery();
}

void TApdComPort::onError(QSerialPort::SerialPortError error) {
    // The error code is sticky and open() reports NoError; only a failure of an open line counts here.
    // Settings refused by the device are reported by the setter's return value instead.
    if (m_applyingSetting || !m_serial.isOpen()) return;
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::NotOpenError:
    case QSerialPort::UnsupportedOperationError:
        return;
    default:
        break;
    }
    // Close before anything else: an unplugged adapter otherwise floods errorOccurred, and a message
    // shown from here would re-enter itself.
    failLine(m_serial.errorString());
}

void TApdComPort::failLine(const QString &reason) {
    // Closed at once, before anyone is told; a wait in progress ends on the closing.
    if (!isOpen()) return;
    m_errorText = reason;
    ++m_lossCount;
    m_traffic.mark(tr("line lost: %1").arg(reason));
    closeDevice();
    QMetaObject::invokeMethod(
        this, [this, reason] { emit lineLost(reason); }, Qt::QueuedConnection);
}

bool TApdComPort::lineIsHigh(Line line) const {
    if (!isOpen()) return false;
    if (m_net.isOpen()) return line == Line::CTS ? m_net.cts() : m_net.dcd();
#ifdef Q_OS_UNIX
    // Straight to the device: QSerialPort::pinoutSignals() fails with ENOTTY on a pseudo-terminal and
    // would set the port's error every time the lights look.
    int bits = 0;
    if (::ioctl(int(m_serial.handle()), TIOCMGET, &bits) != 0) return false;
    return (bits & (line == Line::CTS ? TIOCM_CTS : TIOCM_CAR)) != 0;
#else
    const auto pins = m_serial.pinoutSignals();
    return pins & (line == Line::CTS ? QSerialPort::ClearToSendSignal : QSerialPort::DataCarrierDetectSignal);
#endif
}
