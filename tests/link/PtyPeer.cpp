// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyPeer.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

PtyPeer::PtyPeer() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        hangUp();
        return;
    }
    m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
    // Unique in the whole machine: Qt names its port lock file after the last part of the path.
    static QAtomicInt count;
    m_linkPath = QDir::temp().filePath(
        QStringLiteral("lumivane-peer-%1-%2").arg(::getpid()).arg(count.fetchAndAddRelaxed(1)));
    relink(m_slavePath);
    m_slaveKeepAlive = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    ::tcgetattr(m_slaveKeepAlive, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slaveKeepAlive, TCSANOW, &tio);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyPeer::onReadable);
}

PtyPeer::~PtyPeer() {
    hangUp();
}

void PtyPeer::relink(const QString &ttyPath) {
    if (m_linkPath.isEmpty()) return;
    QFile::remove(m_linkPath);
    if (!ttyPath.isEmpty()) QFile::link(ttyPath, m_linkPath);
}

void PtyPeer::hangUp() {
    relink(QString());
    delete m_notifier;
    m_notifier = nullptr;
    if (m_slaveKeepAlive >= 0) ::close(m_slaveKeepAlive);
    if (m_master >= 0) ::close(m_master);
    m_slaveKeepAlive = m_master = -1;
}

void PtyPeer::setReading(bool on) {
    if (m_notifier) m_notifier->setEnabled(on);
}

void PtyPeer::write(const QByteArray &bytes) {
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0) break;
        done += n;
    }
}

void PtyPeer::writeLater(const QByteArray &bytes, int delayMs) {
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this, bytes] { write(bytes); });
}

int PtyPeer::baud() const {
    termios tio{};
    if (m_master < 0 || ::tcgetattr(m_master, &tio) != 0) return 0;
    switch (::cfgetospeed(&tio)) {
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    default:
        return -1;
    }
}

bool PtyPeer::hardwareFlow() const {
    termios tio{};
    return m_master >= 0 && ::tcgetattr(m_master, &tio) == 0 && (tio.c_cflag & CRTSCTS) != 0;
}

void PtyPeer::onReadable() {
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) return;
    received.append(buffer, n);
    m_pending.append(buffer, n);
    splitRequests();
}

void PtyPeer::splitRequests() {
    for (;;) {
        const qsizetype cr = m_pending.indexOf('\r');
        if (cr < 0) return;
        qsizetype end = cr + 1;
        const bool frame = m_pending.startsWith("PASS ");
        if (frame && end == m_pending.size()) return; // the frame's second CR is still on its way
        if (frame && m_pending.at(end) == '\r') ++end;
        const QByteArray request = m_pending.left(end);
        m_pending.remove(0, end);
        requests.append(request);
        if (respond) {
            const QByteArray answer = respond(request);
            if (!answer.isEmpty()) write(answer);
        }
    }
}
