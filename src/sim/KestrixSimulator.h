// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SimDevice.h"
#include "SimFarEnd.h"
#include "SimPty.h"
#include "SimTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

// An independent far end for the program: one Kestrix on a direct line, or the Controller with its
// Kestrix devices, served on the master side of a pseudo-terminal. The program opens slavePath() as
// its serial port. The simulator runs on its own thread, so it answers while the program's thread
// sleeps or waits; every public method may be called from any thread.
class KestrixSimulator {
public:
    explicit KestrixSimulator(const SimOptions &options = {});
    ~KestrixSimulator();
    KestrixSimulator(const KestrixSimulator &) = delete;
    KestrixSimulator &operator=(const KestrixSimulator &) = delete;

    bool start(QString *error = nullptr);
    void stop();
    bool isRunning() const { return worker.joinable(); }
    QString slavePath() const;

    SimOptions options() const;
    void setOptions(const SimOptions &options); // takes effect with the next request

    // Every request received, in order, and every byte the line delivered.
    QList<SimRequest> requests() const;
    QByteArray receivedBytes() const;
    void clearRequests(); // clears both
    // Waits until at least `count` requests have been recorded since the last clearRequests().
    bool waitForRequests(int count, int timeoutMs) const;

    // Plays `fault` on the next `times` requests it applies to (those containing `match`, when given).
    void injectFault(SimFault fault, int times = 1, int arg = 0, const QByteArray &match = {});
    void clearFaults();

    // Device n (from 1) is the one with RS-485 ID options().ids[n-1]; a direct line uses device 1.
    SimDevice device(int number) const;
    void setDevice(int number, const SimDevice &device);
    bool atDebugPrompt() const;

    // Writes bytes to the program unasked (paced like answers when paceOutput is set).
    void sendRaw(const QByteArray &bytes);
    // The line's current rate as the program set it.
    int lineBaud() const;
    // Microseconds since start(), on the clock that stamps the requests (for a program-side event to
    // be placed among them).
    qint64 elapsedUs() const;

    // Called on the simulator's thread after each request has been recorded.
    void setRequestObserver(std::function<void(const SimRequest &)> observer);

private:
    struct Deferred {
        qint64 readyNs;
        qint64 firstByteNs;
        qint64 lastByteNs;
        QByteArray raw;
    };
    struct OutByte {
        char byte;
        int request; // number of the request it answers (logBase + index), -1 for unasked bytes
    };

    void run();
    void readInput(qint64 now);
    void splitRequests(qint64 now);
    void enqueueRequest(const QByteArray &raw, qint64 firstByteNs, qint64 now);
    void actOnDueRequests(qint64 now);
    void schedule(const QByteArray &bytes, qint64 start, int splitGapMs, int request = -1);
    bool flushOutput(qint64 now);
    qint64 nextWakeNs(bool outputBlocked) const;
    qint64 byteTimeNs() const;
    qint64 nowNs() const;
    void wake();

    mutable std::mutex mutex;
    mutable std::condition_variable requestArrived;
    SimFarEnd farEnd;
    QList<SimRequest> log;
    int logBase = 0; // requests cleared from the log so far (answers name their request by it)
    QByteArray received;
    QByteArray unasked;
    std::function<void(const SimRequest &)> observer;

    SimPty pty;
    std::thread worker;
    std::atomic<bool> stopping{false};
    int wakeRead = -1;
    int wakeWrite = -1;
    qint64 originNs = 0;

    // Owned by the simulator's thread.
    QByteArray input;
    qint64 firstByteNs = -1;
    qint64 frameDeadlineNs = -1;
    std::deque<Deferred> pending;
    std::multimap<qint64, OutByte> output; // due time -> byte, in writing order
    qint64 inputLineFreeNs = 0;
    qint64 outputLineFreeNs = 0;
};
