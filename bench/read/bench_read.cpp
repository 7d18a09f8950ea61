// How long a full read of two devices takes through the real window, against a simulated Controller
// that paces both directions at 57600 baud, compared with the time the bytes alone need on the wire.
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

    ScriptedHost host;
    FormOptions options;
    options.host = &host;
    options.ports.setPath(1, controller.slavePath());
    options.ports.setPath(2, QStringLiteral("/nonexistent/bench-com2"));
    options.quit = [] {};
    TLumivaneForm form(options);

    host.expectYesNo(false); // connect without reading yet
    form.findChild<QAction *>(QStringLiteral("KestrixconnectedthruController1"))->trigger();
    if (!host.unexpected.isEmpty()) {
        std::fprintf(stderr, "connect: %s\n", qPrintable(host.unexpected.join('\n')));
        return 1;
    }

    const int runs = 3;
    qint64 best = -1;
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
        for (const SimRequest &r : controller.requests())
            bytes += r.raw.size() + r.answer.size();
        floorMs = bytes * 10.0 * 1000.0 / 57600.0;
        std::printf("run %d: %lld ms for %d requests, %lld bytes both ways\n", run + 1, (long long)elapsed,
                    int(controller.requests().size()), (long long)bytes);
        if (best < 0 || elapsed < best) best = elapsed;
    }
    std::printf("read_two_devices_ms=%lld wire_floor_ms=%.1f read_ratio=%.2f\n", (long long)best, floorMs,
                best / floorMs);
    return 0;
}
