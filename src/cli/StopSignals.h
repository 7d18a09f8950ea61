#pragma once

#include <QObject>

class QSocketNotifier;

// Ctrl-C (SIGINT) and SIGTERM, turned into a Qt signal. The handler only writes the signal's number to
// a pipe; a socket notifier on the pipe's other end emits stopRequested() from the event loop, so the
// command that is running notices it at its next wait and can stop between two device commands instead
// of being killed half way through a frame. After the first one the default action is back in place:
// a second Ctrl-C ends the process at once.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // The signal received (SIGINT or SIGTERM), 0 while none has come.
    int received() const { return signalNumber; }
    // The conventional exit status of a process ended by a signal: 128 + its number (130, 143).
    static int exitStatus(int signal) { return 128 + signal; }

signals:
    void stopRequested(int signal);

private:
    void onReadable();

    QSocketNotifier *notifier = nullptr;
    int signalNumber = 0;
};
