// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The master side of a pseudo-terminal. The program opens the slave path like any serial device.
// The line is put in raw mode so that CR, LF and every other byte pass unchanged both ways.
class SimPty {
public:
    SimPty() = default;
    ~SimPty();
    SimPty(const SimPty &) = delete;
    SimPty &operator=(const SimPty &) = delete;

    bool open(int initialBaud, QString *error);
    void close();
    bool isOpen() const { return master >= 0; }

    int masterFd() const { return master; }
    QString slavePath() const { return path; }
    // The rate the program set on the line (the pty keeps the slave's settings for both sides).
    int baud() const;

private:
    int master = -1;
    // Held open so that the master never sees a hang-up while the program has the port closed.
    int keepAlive = -1;
    QString path;
};
