// SPDX-License-Identifier: GPL-3.0-or-later
// How long "Send Current Settings" takes for a wall of eight projectors on two devices through the real
// window, against a simulated Controller that paces both directions at 57600 baud, compared with what
// the pass cannot go below: the pauses and settles the protocol asks for plus the time the bytes need
// on the wire.
#include "CommandEngine.h"
#include "KestrixSimulator.h"
#include "ScriptedHost.h"
#include "TLumivaneForm.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

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
    // Eight projectors, every input locked (the simulator's default): every part of the pass goes out.
    for (int d = 1; d <= 2; ++d) {
        SimDevice device = controller.device(d);
        for (SimOutputChannel &output : device.outputs)
            output.totalProjectors = 8;
        controller.setDevice(d, device);
    }

    ScriptedHost host;
    FormOptions options;
    options.host = &host;
    options.ports.setPath(1, controller.slavePath());
    options.ports.setPath(2, QStringLiteral("/nonexistent/bench-com2"));
    options.quit = [] {};
    TLumivaneForm form(options);

    host.expectYesNo(true);
    form.findChild<QAction *>(QStringLiteral("KestrixconnectedthruController1"))->trigger();
    if (!host.unexpected.isEmpty() || form.state().ModelFromDevices != 1 || form.state().DeviceCount != 2) {
        std::fprintf(stderr, "connect: %s\n", qPrintable(host.unexpected.join('\n')));
        return 1;
    }

    const int runs = 3;
    double bestRatio = -1;
    qint64 bestMs = 0;
    double bestFloorMs = 0;
    for (int run = 0; run < runs; ++run) {
        controller.clearRequests();
        host.entries.clear();
        const qint64 waitsBefore = form.engine().mandatedWaitMs();
        QElapsedTimer clock;
        clock.start();
        form.findChild<QAction *>(QStringLiteral("SendCurrentSettingstoKestrixs1"))->trigger();
        const qint64 elapsed = clock.elapsed();
        if (!host.unexpected.isEmpty() || !host.messages().isEmpty()) {
            std::fprintf(stderr, "push failed: %s\n",
                         qPrintable((host.unexpected + host.messages()).join('\n')));
            return 1;
        }
        const qint64 waitsMs = form.engine().mandatedWaitMs() - waitsBefore;
        qint64 bytes = 0;
        const QList<SimRequest> requests = controller.requests();
        for (const SimRequest &r : requests)
            bytes += r.raw.size() + r.answer.size();
        const double wireMs = bytes * 10.0 * 1000.0 / 57600.0;
        const double floorMs = waitsMs + wireMs;
        const double ratio = elapsed / floorMs;
        std::printf("run %d: %lld ms for %d requests, %lld bytes both ways (wire %.1f ms), mandated waits "
                    "%lld ms, floor %.1f ms, ratio %.3f\n",
                    run + 1, (long long)elapsed, int(requests.size()), (long long)bytes, wireMs,
                    (long long)waitsMs, floorMs, ratio);
        if (bestRatio < 0 || ratio < bestRatio) {
            bestRatio = ratio;
            bestMs = elapsed;
            bestFloorMs = floorMs;
        }
    }
    std::printf("push_ms=%lld floor_ms=%.1f push_ratio=%.3f\n", (long long)bestMs, bestFloorMs, bestRatio);
    return 0;
}
