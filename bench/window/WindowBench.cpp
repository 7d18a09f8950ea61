// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowBench.h"

#include "CommandEngine.h"
#include "EventPump.h"
#include "Pacing.h"
#include "TApdComPort.h"
#include "TConnectionHelpForm.h"
#include "TInfoForm.h"
#include "TLumivaneForm.h"

#include <QAction>
#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

QString describe(const SimRequest &r) {
    const int device = r.targetId == 6 ? 2 : 1;
    const QByteArray text = r.command.isEmpty() ? r.raw.trimmed() : r.command;
    return QStringLiteral("%1:%2").arg(device).arg(QString::fromLatin1(text));
}

qint64 threadCpuUs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

void trigger(TLumivaneForm &form, const char *name) {
    auto *action = form.findChild<QAction *>(QString::fromLatin1(name));
    if (!action) qFatal("no action %s", name);
    action->trigger();
}

} // namespace

void WindowBench::quietPlatformNotes() {
    // The offscreen platform says so each time the progress notice is raised; it says nothing about
    // the program.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        if (text.contains(QLatin1String("does not support raise()"))) return;
        if (previous) previous(type, context, text);
    });
}

WindowBench::WindowBench() {
    SimOptions options;
    options.mode = SimOptions::Controller;
    options.ids = {5, 6};
    options.paceInput = true;
    options.paceOutput = true;
    sim = std::make_unique<KestrixSimulator>(options);
    QString error;
    if (!sim->start(&error)) qFatal("simulator did not start: %s", qPrintable(error));
    // Eight projectors, every input locked (the simulator's default): every part of a push goes out.
    for (int d = 1; d <= 2; ++d) {
        SimDevice device = sim->device(d);
        for (SimOutputChannel &output : device.outputs)
            output.totalProjectors = 8;
        sim->setDevice(d, device);
    }

    FormOptions form;
    form.dialogs = &dialogs;
    form.pacing = Pacing::real();
    form.ports.setPath(1, sim->slavePath());
    form.ports.setPath(2, QStringLiteral("/nonexistent/bench-com2"));
    form.quit = [] {};
    window = std::make_unique<TLumivaneForm>(form);
    info = std::make_unique<TInfoForm>();
    help = std::make_unique<TConnectionHelpForm>();
    window->attachAuxiliaryWindows(info.get(), help.get());
    QObject::connect(&window->engine(), &CommandEngine::mandatedWaitBegins, window.get(), [this](qint64 ms) {
        if (recording) mandated.append({sim->elapsedUs(), ms});
    });
    QObject::connect(&window->port(), &TApdComPort::handedToLine, window.get(), [this] {
        if (recording) portEvents.append({sim->elapsedUs(), threadCpuUs(), true});
    });
    QObject::connect(&window->port(), &TApdComPort::OnTriggerAvail, window.get(), [this] {
        if (recording) portEvents.append({sim->elapsedUs(), threadCpuUs(), false});
    });
}

WindowBench::~WindowBench() {
    window.reset();
    EventPump::clearAbort();
}

bool WindowBench::connect(QString *problem) {
    dialogs.expectYesNo(false, QStringLiteral("Lumivane requires connection to Kestrix(s) to function."));
    window->show();
    QApplication::setActiveWindow(window.get());
    window->activateWindow();
    if (!EventPump::waitUntil([&] { return dialogs.messages().size() == 1; }, 20000)) {
        *problem = QStringLiteral("the window never asked to connect");
        return false;
    }
    dialogs.expectYesNo(true, QStringLiteral("Serial communication established"));
    trigger(*window, "KestrixconnectedthruController1");
    if (!dialogs.unexpected.isEmpty() || dialogs.pendingAnswers() != 0) {
        *problem = QStringLiteral("connect: %1").arg((dialogs.unexpected + dialogs.messages()).join(" | "));
        return false;
    }
    // Let the window settle: whatever the connect left to paint is painted before the first run.
    EventPump::pause(300);
    return true;
}

BenchRun WindowBench::measure(const char *actionName) {
    EventPump::pause(200);
    dialogs.entries.clear();
    sim->clearRequests();
    mandated.clear();
    portEvents.clear();

    BenchRun run;
    recording = true;
    const qint64 startCpuUs = threadCpuUs();
    const qint64 startUs = sim->elapsedUs();
    trigger(*window, actionName);
    const qint64 endUs = sim->elapsedUs();
    recording = false;
    run.elapsedUs = endUs - startUs;

    const QList<SimRequest> requests = sim->requests();
    run.requests = int(requests.size());
    for (const SimRequest &r : requests)
        run.bytes += r.raw.size() + r.answer.size();
    run.wireMs = run.bytes * ByteUs / 1000.0;
    for (const MandatedWait &w : mandated)
        run.mandatedMs += double(w.ms);
    run.floorMs = run.wireMs + run.mandatedMs;
    run.ratio = run.floorMs > 0 ? run.elapsedUs / 1000.0 / run.floorMs : 0;
    if (!requests.isEmpty() && requests.last().answerEndUs >= 0)
        run.tailUs = std::max<qint64>(0, endUs - requests.last().answerEndUs);

    programGaps(requests, startUs, startCpuUs, run);
    farEndGaps(requests, run);

    for (const SimRequest &r : requests)
        if (!r.answered || !r.error.isEmpty() || (r.framed && !r.checksumOk)) run.clean = false;
    if (!run.clean) run.problem = QStringLiteral("a request went unanswered or was not understood");
    if (!dialogs.unexpected.isEmpty() || !dialogs.messages().isEmpty()) {
        run.clean = false;
        run.problem = (dialogs.unexpected + dialogs.messages()).join(" | ");
    }
    return run;
}

qint64 WindowBench::mandatedUsBetween(qint64 fromUs, qint64 toUs) const {
    // The part of each wait that lies between the two: a byte that trails an acknowledgement may be
    // delivered while the settle that followed it runs.
    qint64 us = 0;
    for (const MandatedWait &w : mandated)
        us += std::max<qint64>(0, std::min(toUs, w.atUs + w.ms * 1000) - std::max(fromUs, w.atUs));
    return us;
}

// At the program's port: each request is one burst of writes, begun by the first write after bytes
// came in. Its turnaround runs from the last delivery before it (the first one's from the click); the
// time its own writes were held apart is taken from the far end, which sees its bytes arrive.
void WindowBench::programGaps(const QList<SimRequest> &requests, qint64 startUs, qint64 startCpuUs,
                              BenchRun &run) const {
    QList<IdleGap> gaps;
    qint64 lastDelivery = startUs;
    qint64 lastDeliveryCpu = startCpuUs;
    bool inBurst = false;
    int burst = -1;
    for (const PortEvent &e : portEvents) {
        if (!e.write) {
            inBurst = false;
            lastDelivery = e.atUs;
            lastDeliveryCpu = e.cpuUs;
            continue;
        }
        if (inBurst) continue;
        inBurst = true;
        if (++burst >= requests.size()) break;
        const SimRequest &r = requests[burst];
        if (burst > 0 && requests[burst - 1].answerEndUs >= 0)
            run.lateTotalUs += std::max<qint64>(0, lastDelivery - requests[burst - 1].answerEndUs);
        const qint64 before =
            std::max<qint64>(0, e.atUs - lastDelivery - mandatedUsBetween(lastDelivery, e.atUs));
        const qint64 within =
            std::max<qint64>(0, r.lastByteUs - r.firstByteUs - qint64(r.raw.size() * ByteUs));
        // The lead (click to first request) follows no answer: it is reported on its own and counts in
        // the ratio, but the gaps are what stands between an answer and the next request.
        if (burst == 0) {
            run.leadUs = before + within;
            continue;
        }
        gaps.append({before + within, e.cpuUs - lastDeliveryCpu, describe(r)});
        run.idleTotalUs += before + within;
        run.cpuTotalUs += e.cpuUs - lastDeliveryCpu;
        run.cpuLargestUs = std::max(run.cpuLargestUs, e.cpuUs - lastDeliveryCpu);
    }
    if (burst + 1 != requests.size()) {
        run.clean = false;
        run.problem = QStringLiteral("%1 write bursts for %2 requests").arg(burst + 1).arg(requests.size());
    }
    std::sort(gaps.begin(), gaps.end(), [](const IdleGap &a, const IdleGap &b) { return a.cpuUs > b.cpuUs; });
    run.largestCpu = gaps.mid(0, 3);
    std::sort(gaps.begin(), gaps.end(), [](const IdleGap &a, const IdleGap &b) { return a.us > b.us; });
    run.largest = gaps.mid(0, 5);
}

// At the far end: from the end of the previous answer to the request's first byte, less
// the mandated waits begun in between, and within the request, the time its bytes took to arrive
// beyond their time on the line.
void WindowBench::farEndGaps(const QList<SimRequest> &requests, BenchRun &run) const {
    qint64 previousEnd = -1; // the first request follows no answer
    for (const SimRequest &r : requests) {
        if (previousEnd < 0) { // the previous request was never answered: nothing to measure from
            previousEnd = r.answerEndUs;
            continue;
        }
        const qint64 before =
            std::max<qint64>(0, r.firstByteUs - previousEnd - mandatedUsBetween(previousEnd, r.firstByteUs));
        const qint64 within =
            std::max<qint64>(0, r.lastByteUs - r.firstByteUs - qint64(r.raw.size() * ByteUs));
        run.farIdleTotalUs += before + within;
        if (r.answerEndUs >= 0) {
            const qint64 requestEnd = std::max(r.lastByteUs, r.firstByteUs + qint64(r.raw.size() * ByteUs));
            run.farSlowUs +=
                std::max<qint64>(0, r.answerEndUs - requestEnd - qint64(r.answer.size() * ByteUs));
        }
        run.farIdleLargestUs = std::max(run.farIdleLargestUs, before + within);
        previousEnd = r.answerEndUs;
    }
}

void WindowBench::printRun(int number, const BenchRun &run) {
    std::printf(
        "run %d: %.1f ms for %d requests, %lld bytes both ways (wire %.1f ms), mandated waits %.0f ms, "
        "floor %.1f ms, ratio %.3f\n",
        number, run.elapsedUs / 1000.0, run.requests, (long long)run.bytes, run.wireMs, run.mandatedMs,
        run.floorMs, run.ratio);
    std::printf(
        "       turnaround after answers: total %.2f ms; from the click to the first request %.2f ms; after "
        "the last answer "
        "%.2f ms; answers reached the program %.2f ms late in all\n"
        "       the window thread's own CPU time in those turnarounds: %.2f ms in all, %.2f ms the largest\n"
        "       far end: line idle as it saw it %.2f ms in all (largest %.2f ms); answered %.2f ms "
        "slower than the line in all\n",
        run.idleTotalUs / 1000.0, run.leadUs / 1000.0, run.tailUs / 1000.0, run.lateTotalUs / 1000.0,
        run.cpuTotalUs / 1000.0, run.cpuLargestUs / 1000.0, run.farIdleTotalUs / 1000.0,
        run.farIdleLargestUs / 1000.0, run.farSlowUs / 1000.0);
    for (const IdleGap &gap : run.largest)
        std::printf("       %7.2f ms (CPU %.2f ms) before %s\n", gap.us / 1000.0, gap.cpuUs / 1000.0,
                    qPrintable(gap.before));
    for (const IdleGap &gap : run.largestCpu)
        std::printf("       most CPU: %.2f ms (%.2f ms in all) before %s\n", gap.cpuUs / 1000.0,
                    gap.us / 1000.0, qPrintable(gap.before));
    if (!run.clean) std::printf("       NOT CLEAN: %s\n", qPrintable(run.problem));
}

void WindowBench::printSummary(const char *name, const QList<BenchRun> &runs, double ratioGoal,
                               double largestGapGoalMs) {
    const BenchRun *best = nullptr;
    bool clean = true;
    for (const BenchRun &run : runs) {
        clean = clean && run.clean;
        if (!best || run.ratio < best->ratio) best = &run;
    }
    if (!best) return;
    const double largestMs = best->largest.isEmpty() ? 0 : best->largest.first().us / 1000.0;
    const bool ratioMet = best->ratio <= ratioGoal;
    const bool gapMet = largestMs <= largestGapGoalMs;
    std::printf("%s_ms=%.1f floor_ms=%.1f %s_ratio=%.3f idle_gap_largest_ms=%.2f idle_gap_total_ms=%.2f "
                "lead_ms=%.2f far_end_idle_largest_ms=%.2f far_end_idle_total_ms=%.2f (best of %d runs)\n",
                name, best->elapsedUs / 1000.0, best->floorMs, name, best->ratio, largestMs,
                best->idleTotalUs / 1000.0, best->leadUs / 1000.0, best->farIdleLargestUs / 1000.0,
                best->farIdleTotalUs / 1000.0, int(runs.size()));
    std::printf("goals %s: ratio %.3f %s %.2f, largest idle gap %.2f ms %s %.0f ms%s\n",
                clean && ratioMet && gapMet ? "met" : "NOT met", best->ratio, ratioMet ? "<=" : ">",
                ratioGoal, largestMs, gapMet ? "<=" : ">", largestGapGoalMs,
                clean ? "" : " (a run was not clean)");
}
