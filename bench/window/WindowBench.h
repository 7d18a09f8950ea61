// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real main window as the user has it, for timing what the user waits for: shown and active, every
// page built, its own host (status bar, pages disabled during a send, hourglass, progress notice) and
// the progress notice and help windows attached as at start-up; only the boxes are answered by a
// scripted user. Behind COM1 a simulated Controller with two Kestrix devices (RS-485 IDs 5 and 6, eight
// projectors) paces both directions at 57600 baud; the protocol's timings are the real ones.
//
// A measured action is compared with its floor: every byte on the wire at the line's rate plus the
// pauses and settles the protocol mandates (counted by the command engine). The program's turnaround
// is taken at the program's own port: before each request, from the notification that delivered the
// last bytes of the previous answer (or from the click) to the request's first write, less the
// mandated waits that began in between; and within each request, the time its writes took beyond its
// bytes' time on the line. The same gaps seen from the far end (the simulator's time stamps) also hold
// the simulator's own delays in reading, which a loaded machine makes long; they are printed beside, and
// so is the window thread's own CPU time within each turnaround, which a loaded machine cannot inflate
// by making the thread wait for a core.

#include "KestrixSimulator.h"
#include "ScriptedHost.h"

#include <QList>
#include <QString>

#include <memory>

class TConnectionHelpForm;
class TInfoForm;
class TLumivaneForm;

struct IdleGap {
    qint64 us = 0;
    qint64 cpuUs = 0; // the window thread's CPU time in it
    QString before;   // the request that followed ("2:PEFT 3 L 1  2.2 64 0")
};

struct BenchRun {
    qint64 elapsedUs = 0; // from the click to the action's return
    int requests = 0;
    qint64 bytes = 0;          // both ways
    double wireMs = 0;         // the bytes at the line's rate
    double mandatedMs = 0;     // pauses and settles the protocol asked for
    double floorMs = 0;        // wire + mandated
    double ratio = 0;          // elapsed / floor
    qint64 leadUs = 0;         // from the click to the first request's first write (no answer before it)
    qint64 tailUs = 0;         // from the last answer's end to the action's return
    qint64 idleTotalUs = 0;    // every turnaround of the program from an answer to the next request
    QList<IdleGap> largest;    // the five largest, largest first
    QList<IdleGap> largestCpu; // the three with the most CPU time of the window thread
    qint64 cpuTotalUs = 0;     // the window thread's own CPU time within those turnarounds
    qint64 cpuLargestUs = 0;
    qint64 lateTotalUs = 0;    // how much later the answers' last bytes reached the program than the line
    qint64 farSlowUs = 0;      // how much longer the simulator took to answer than the answers' bytes
    qint64 farIdleTotalUs = 0; // the line's idle time as the far end saw it
    qint64 farIdleLargestUs = 0;
    bool clean = true; // every request answered, no message, no unexpected question
    QString problem;
};

class WindowBench {
public:
    WindowBench();
    ~WindowBench();

    // Shows the window, answers No to the connect question, then connects through the Controller and
    // reads the devices, as a user would from the menu.
    bool connect(QString *problem);
    // Triggers a menu action and measures it.
    BenchRun measure(const char *actionName);

    TLumivaneForm &form() { return *window; }
    KestrixSimulator &simulator() { return *sim; }
    ScriptedHost &user() { return dialogs; }

    // Keeps the offscreen platform's notes out of the figures.
    static void quietPlatformNotes();

    static constexpr int Baud = 57600;
    static constexpr double ByteUs = 10.0 * 1e6 / Baud; // start bit, 8 data bits, stop bit

    static void printRun(int number, const BenchRun &run);
    // The figures of several runs of one action: each run's own ratio, and the goal judged on the best.
    static void printSummary(const char *name, const QList<BenchRun> &runs, double ratioGoal,
                             double largestGapGoalMs);

private:
    struct MandatedWait {
        qint64 atUs;
        qint64 ms;
    };
    struct PortEvent {
        qint64 atUs;
        qint64 cpuUs; // the window thread's CPU time
        bool write;   // a write to the line; otherwise bytes delivered to the program
    };
    qint64 mandatedUsBetween(qint64 fromUs, qint64 toUs) const;
    void farEndGaps(const QList<SimRequest> &requests, BenchRun &run) const;
    void programGaps(const QList<SimRequest> &requests, qint64 startUs, qint64 startCpuUs,
                     BenchRun &run) const;

    ScriptedHost dialogs;
    std::unique_ptr<KestrixSimulator> sim;
    std::unique_ptr<TLumivaneForm> window;
    std::unique_ptr<TInfoForm> info;
    std::unique_ptr<TConnectionHelpForm> help;
    QList<MandatedWait> mandated;
    QList<PortEvent> portEvents;
    bool recording = false;
};
