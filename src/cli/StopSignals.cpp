// SPDX-License-Identifier: GPL-3.0-or-later
#include "StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};
volatile sig_atomic_t stopsSeen = 0;

// The lock files to remove when a signal ends the process, kept where a signal handler can read them
// without allocating.
constexpr int kMaxLocks = 64;
constexpr int kMaxLockPath = 512;
char lockPaths[kMaxLocks][kMaxLockPath];
volatile sig_atomic_t lockCount = 0;

// Removes each registered lock file whose first line is this process's ID. Only calls that are safe
// inside a signal handler.
void removeOwnLocks() {
    char pid[24];
    int length = 0;
    char digits[24];
    int digitCount = 0;
    for (long value = long(::getpid()); value > 0 && digitCount < 20; value /= 10)
        digits[digitCount++] = char('0' + value % 10);
    while (digitCount > 0)
        pid[length++] = digits[--digitCount];
    pid[length++] = '\n';
    for (int i = 0; i < lockCount; ++i) {
        const int fd = ::open(lockPaths[i], O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        char head[24] = {};
        const ssize_t got = ::read(fd, head, sizeof head);
        ::close(fd);
        if (got >= length && std::memcmp(head, pid, size_t(length)) == 0) ::unlink(lockPaths[i]);
    }
}

// Ends the process as the signal's default action would, without leaving a lock behind.
void endNow(int signal) {
    removeOwnLocks();
    std::signal(signal, SIG_DFL);
    ::raise(signal);
}

void onStop(int signal) {
    const int saved = errno;
    // The first one is handled; the next one of either kind ends the process as it normally would.
    if (stopsSeen > 0) endNow(signal);
    stopsSeen = 1;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &number, 1);
    errno = saved;
}

void onFatal(int signal) {
    endNow(signal);
}

void install(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    stopsSeen = 0;
    notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &StopSignals::onReadable);
    install(SIGINT, onStop);
    install(SIGTERM, onStop);
    install(SIGHUP, onFatal);
    install(SIGQUIT, onFatal);
}

StopSignals::~StopSignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        std::signal(signal, SIG_DFL);
    delete notifier;
    for (int &end : pipeEnds) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

void StopSignals::onReadable() {
    unsigned char number = 0;
    while (::read(pipeEnds[0], &number, 1) == 1) {
        if (signalNumber != 0) continue;
        signalNumber = number;
        emit stopRequested(signalNumber);
    }
}

QStringList StopSignals::lockFileCandidates(const QString &devicePath) {
    // The folders the serial port looks in for its lock files, and its way of naming them.
    static const char *const folders[] = {"/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
                                          "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};
    QString name = devicePath;
    if (name.startsWith(QLatin1String("/dev/"))) name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    QStringList paths;
    for (const char *folder : folders)
        paths.append(QLatin1String(folder) + QLatin1String("/LCK..") + name);
    return paths;
}

void StopSignals::guardPortLocks(const QStringList &devicePaths) {
    for (const QString &device : devicePaths) {
        for (const QString &path : lockFileCandidates(device)) {
            const QByteArray bytes = path.toLocal8Bit();
            bool known = false;
            for (int i = 0; i < lockCount && !known; ++i)
                known = std::strcmp(lockPaths[i], bytes.constData()) == 0;
            if (known) continue;
            if (lockCount >= kMaxLocks || bytes.size() >= kMaxLockPath) return;
            std::memcpy(lockPaths[lockCount], bytes.constData(), size_t(bytes.size()) + 1);
            lockCount = lockCount + 1; // counted once the path is whole, for a handler that runs now
        }
    }
}
