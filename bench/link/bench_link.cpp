// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the device link against the simulator pacing both directions at 57600 baud:
//  - the wall time of 100 Controller-mode command exchanges against the wire-time floor
//    (bytes both ways x 10 / baud),
//  - the CPU time the program's thread uses during an 8-second unanswered wait,
//  - the measured length of a 1000-step settle,
//  - the delay with which an event posted from another thread is handled during a wait.
// The last line prints the four figures.

#include "CommandEngine.h"
#include "EventPump.h"
#include "KestrixSimulator.h"
#include "ScriptedHost.h"
#include "StatusLightController.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace {

constexpr int Baud = 57600;

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

qint64 monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Bench {
    KestrixSimulator sim;
    TApdComPort port;
    ScriptedHost host;
    int busy = 0;
    CommandEngine engine{port, host, busy, Pacing::real()};
    StatusLightController lights{port};

    explicit Bench(const SimOptions &options) : sim(options) {}

    bool start() {
        QString error;
        if (!sim.start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
            return false;
        }
        PortMap map;
        map.setPath(1, sim.slavePath());
        port.setPortMap(map);
        port.SetComNumber(1);
        port.SetBaud(Baud);
        engine.setControllerMode(true);
        engine.setStatusLights(&lights);
        if (!port.SetOpen(true)) {
            std::fprintf(stderr, "port: %s\n", qPrintable(port.errorText()));
            return false;
        }
        engine.SetLinkActive(true);
        return true;
    }

    void sendBlackLevel(int channel, int value) {
        engine.SendControllerCommand(
            "*1BLKGN " + QByteArray::number(channel) + ' ' + QByteArray::number(value) + '!', 0);
    }

    double exchangeRatio() {
        sendBlackLevel(1, 0); // warm-up: the first exchange also pays for opening the line on both sides
        sim.clearRequests();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 100; ++i)
            sendBlackLevel(1 + i % 4, i);
        const double wall = clock.nsecsElapsed() / 1e9;
        qint64 bytes = 0;
        const QList<SimRequest> requests = sim.requests();
        for (const SimRequest &r : requests)
            bytes += r.raw.size() + r.answer.size();
        const double floor = double(bytes) * 10.0 / Baud;
        std::printf(
            "exchanges: %lld requests, %lld bytes both ways, wall %.3f s, floor %.3f s, failures %s\n",
            qlonglong(requests.size()), qlonglong(bytes), wall, floor,
            host.messages().isEmpty() ? "none" : "some");
        return wall / floor;
    }

    // One unanswered query: the watchdog ends it after 8 s.
    double unansweredWait() {
        sim.injectFault(SimFault::Silence, 1);
        QElapsedTimer clock;
        clock.start();
        engine.SendQuery("NKX\r", 2);
        return clock.nsecsElapsed() / 1e9;
    }

    double waitCpuPerSecond() {
        const double cpu0 = threadCpuSeconds();
        const double wall = unansweredWait();
        const double cpu = threadCpuSeconds() - cpu0;
        std::printf("unanswered wait: wall %.3f s, thread CPU %.4f s\n", wall, cpu);
        return cpu / wall;
    }

    double settle1000Ms() {
        QElapsedTimer clock;
        clock.start();
        engine.settle(1000);
        return clock.nsecsElapsed() / 1e6;
    }

    // Events posted from another thread every 5 ms during an unanswered wait; their handling delay.
    double eventP99Ms() {
        QObject receiver;
        std::vector<double> delays;
        delays.reserve(4000);
        std::atomic<bool> done{false};
        std::thread poster([&] {
            while (!done) {
                const qint64 posted = monotonicNs();
                QMetaObject::invokeMethod(
                    &receiver, [&delays, posted] { delays.push_back((monotonicNs() - posted) / 1e6); },
                    Qt::QueuedConnection);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        unansweredWait();
        done = true;
        poster.join();
        EventPump::processPending();
        std::sort(delays.begin(), delays.end());
        if (delays.empty()) return -1;
        const double p50 = delays[delays.size() / 2];
        const double p99 = delays[std::min(delays.size() - 1, delays.size() * 99 / 100)];
        std::printf("posted events: %zu handled, p50 %.3f ms, p99 %.3f ms, max %.3f ms\n", delays.size(), p50,
                    p99, delays.back());
        return p99;
    }
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    SimOptions options;
    options.mode = SimOptions::Controller;
    options.controllerBaud = Baud;
    options.paceInput = true;
    options.paceOutput = true;
    Bench bench(options);
    if (!bench.start()) return 1;
    const double ratio = bench.exchangeRatio();
    const double cpu = bench.waitCpuPerSecond();
    const double settle = bench.settle1000Ms();
    const double p99 = bench.eventP99Ms();
    std::printf("exchange_ratio=%.3f wait_cpu_per_s=%.4f settle_1000_ms=%.1f event_p99_ms=%.3f\n", ratio, cpu,
                settle, p99);
    return 0;
}
