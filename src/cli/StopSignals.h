// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

class QSocketNotifier;

// Ctrl-C (SIGINT) and SIGTERM, turned into a Qt signal. The handler only writes the signal's number to
// a pipe; a socket notifier on the pipe's other end emits stopRequested() from the event loop, so the
// command that is running notices it at its next wait and can stop between two device commands instead
// of being killed half way through a frame. A second one of either kind ends the process at once, as
// SIGHUP and SIGQUIT do; the serial ports' lock files are removed first, so that no lock outlives the
// tool whichever way it ends.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // The signal received (SIGINT or SIGTERM), 0 while none has come.
    int received() const { return signalNumber; }
    // The conventional exit status of a process ended by a signal: 128 + its number (130, 143).
    static int exitStatus(int signal) { return 128 + signal; }

    // The serial ports this run may open, by path: a signal that ends the process removes their lock
    // files that this process holds (the port's own close does that on every other way out).
    static void guardPortLocks(const QStringList &devicePaths);
    // Where the lock file of the port at devicePath may be, one path per lock folder the serial port
    // uses ("/dev/ttyUSB0" is locked as LCK..ttyUSB0, "/tmp/port" as LCK.._tmp_port).
    static QStringList lockFileCandidates(const QString &devicePath);

signals:
    void stopRequested(int signal);

private:
    void onReadable();

    QSocketNotifier *notifier = nullptr;
    int signalNumber = 0;
};
