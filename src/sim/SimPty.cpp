// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimPty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct Rate {
    speed_t code;
    int baud;
};

constexpr Rate rates[] = {
    {B300, 300},       {B600, 600},       {B1200, 1200},     {B2400, 2400},   {B4800, 4800},
    {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600}, {B115200, 115200},
    {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

speed_t speedCode(int baud) {
    for (const Rate &r : rates)
        if (r.baud == baud) return r.code;
    return B38400;
}

QString lastError(const char *what) {
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

SimPty::~SimPty() {
    close();
}

bool SimPty::open(int initialBaud, QString *error) {
    auto fail = [&](const char *what) {
        if (error) *error = lastError(what);
        close();
        return false;
    };
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) return fail("posix_openpt");
    if (grantpt(master) != 0) return fail("grantpt");
    if (unlockpt(master) != 0) return fail("unlockpt");
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) return fail("ptsname");
    path = QString::fromLocal8Bit(name);

    termios tio{};
    if (tcgetattr(master, &tio) != 0) return fail("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, speedCode(initialBaud));
    cfsetospeed(&tio, speedCode(initialBaud));
    if (tcsetattr(master, TCSANOW, &tio) != 0) return fail("tcsetattr");

    keepAlive = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (keepAlive < 0) return fail("open slave");
    const int flags = fcntl(master, F_GETFL);
    if (flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0 ||
        fcntl(master, F_SETFD, FD_CLOEXEC) != 0)
        return fail("fcntl");
    return true;
}

void SimPty::close() {
    if (keepAlive >= 0) ::close(keepAlive);
    if (master >= 0) ::close(master);
    keepAlive = master = -1;
}

int SimPty::baud() const {
    termios tio{};
    if (master < 0 || tcgetattr(master, &tio) != 0) return 0;
    const speed_t code = cfgetospeed(&tio);
    for (const Rate &r : rates)
        if (r.code == code) return r.baud;
    return 0;
}
