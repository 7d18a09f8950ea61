// SPDX-License-Identifier: GPL-3.0-or-later
// How long a full read of two devices takes through the real window, against a simulated Controller
// that paces both directions at 57600 baud, compared with the time the bytes alone need on the wire.
#include "KestrixSimulator.h"
#include "ScriptedHost.h"
#include "TLumivaneForm.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace {
// The program's turnaround, seen from the far end: the line stands idle from the last byte of an answer
// to the first byte of the next request.
struct IdleGaps {
    qint64 largestUs = 0;
    qint64 totalUs = 0;
    int largestAfter = -1; // index of the request whose answer the largest gap follows
};

IdleGaps idleGaps(const QList<SimRequest> &requests) {
    IdleGaps gaps;
    for (int i = 1; i < requests.size(); ++i) {
        if (requests[i - 1].answerEndUs < 0) continue;
        const qint64 gap = std::max<qint64>(0, requests[i].firstByteUs - requests[i - 1].answerEndUs);
        if (gap > gaps.largestUs) {
            gaps.largestUs = gap;
            gaps.largestAfter = i - 1;
        }
        gaps.totalUs += gap;
    }
    return gaps;
}
} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    SimOptions sim;
    sim.mode = SimOptions::Controller;
    sim.ids = {5, 6};
    sim.paceInput = true;
    sim.paceOutput = true;
    KestrixSimulator controller(sim);
    QString error;
    if (!controller.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }

    ScriptedHost host;
    FormOptions options;
    options.host = &host;
    options.ports.setPath(1, controller.slavePath());
    options.ports.setPath(2, QStringLiteral("/nonexistent/bench-com2"));
    options.quit = [] {};
    TLumivaneForm form(options);

    // Connecting and reading at once: probe, "debug 0", the device count and the records in one flow.
    host.expectYesNo(true);
    form.findChild<QAction *>(QStringLiteral("KestrixconnectedthruController1"))->trigger();
    if (!host.unexpected.isEmpty() || form.state().ModelFromDevices != 1) {
        std::fprintf(stderr, "connect: %s\n", qPrintable(host.unexpected.join('\n')));
        return 1;
    }
    const IdleGaps connectGaps = idleGaps(controller.requests());
    std::printf("connect_and_read: %d requests, idle gap largest %.2f ms (after request %d), total %.2f ms\n",
                int(controller.requests().size()), connectGaps.largestUs / 1000.0, connectGaps.largestAfter,
                connectGaps.totalUs / 1000.0);

    const int runs = 3;
    qint64 best = -1;
    qint64 bestLargestGapUs = 0;
    qint64 bestTotalGapUs = 0;
    double floorMs = 0;
    for (int run = 0; run < runs; ++run) {
        controller.clearRequests();
        QElapsedTimer clock;
        clock.start();
        form.findChild<QAction *>(QStringLiteral("ReadfromKestrixs1"))->trigger();
        const qint64 elapsed = clock.elapsed();
        if (!host.unexpected.isEmpty() || form.state().ModelFromDevices != 1) {
            std::fprintf(stderr, "read failed: %s\n", qPrintable(host.messages().join('\n')));
            return 1;
        }
        qint64 bytes = 0;
        const QList<SimRequest> requests = controller.requests();
        for (const SimRequest &r : requests)
            bytes += r.raw.size() + r.answer.size();
        floorMs = bytes * 10.0 * 1000.0 / 57600.0;
        const IdleGaps gaps = idleGaps(requests);
        const qint64 largestGapUs = gaps.largestUs;
        const qint64 totalGapUs = gaps.totalUs;
        std::printf("run %d: %lld ms for %d requests, %lld bytes both ways, idle gap largest %.2f ms, "
                    "total %.2f ms\n",
                    run + 1, (long long)elapsed, int(requests.size()), (long long)bytes,
                    largestGapUs / 1000.0, totalGapUs / 1000.0);
        if (best < 0 || elapsed < best) {
            best = elapsed;
            bestLargestGapUs = largestGapUs;
            bestTotalGapUs = totalGapUs;
        }
    }
    std::printf("read_two_devices_ms=%lld wire_floor_ms=%.1f read_ratio=%.2f idle_gap_largest_ms=%.2f "
                "idle_gap_total_ms=%.2f\n",
                (long long)best, floorMs, best / floorMs, bestLargestGapUs / 1000.0, bestTotalGapUs / 1000.0);
    return 0;
}
