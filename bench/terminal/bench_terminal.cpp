// SPDX-License-Identifier: GPL-3.0-or-later
// Pushes 10 MB of received traffic through the real serial port (on a pseudo-terminal), its traffic
// log and the terminal pane shown in a window, and prints:
//  - the CPU time of the program's thread per MB, against what 57600 baud allows at 5 % of one core
//    (57600 baud carries 5760 bytes a second, 10 bits a byte: 0.05 / 5760 s of CPU per byte at most,
//    that is 8.68 s per MB);
//  - the peak resident memory above what the process held once the pane was full (after a warm-up of
//    1 MB, the log emptied after it), against the traffic log's bound plus 10 %; and, for the
//    record, above what it held before any traffic;
//  - how long saving the full log takes.
// The traffic arrives in pieces of 100 bytes (what a USB adapter hands over at 57600 baud, about
// every 16 ms) and the window repaints after every piece, as it may at the real rate: the worst case
// for the pane. The text is lines of about 60 characters with a binary record now and then and a
// long line without an end every so often.
// usage: bench_terminal [megabytes]   (10 by default)

#include "PortMap.h"
#include "TApdComPort.h"
#include "TerminalPane.h"
#include "TrafficLog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Baud = 57600;
constexpr double BytesPerSecond = Baud / 10.0;
constexpr double CoreShare = 0.05;
constexpr qsizetype Piece = 100;

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// A line of /proc/self/status in kB.
long statusKb(const char *key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return -1;
}

QByteArray traffic(qsizetype size) {
    QByteArray bytes;
    bytes.reserve(size + 4096);
    int n = 0;
    while (bytes.size() < size) {
        ++n;
        if (n % 50 == 0) {
            // A binary status record.
            for (int i = 0; i < 64; ++i)
                bytes += char((n * 31 + i * 7) & 0xff);
        } else if (n % 997 == 0) {
            // A long line without an end.
            bytes += QByteArray(3000, char('a' + n % 26));
        } else {
            bytes += "KX> status " + QByteArray::number(n) + " input 1 locked 1024x768 @ 60 Hz ok\r\n";
        }
    }
    bytes.resize(size);
    return bytes;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const qsizetype total = qsizetype(megabytes) * 1000 * 1000;

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    PortMap map;
    map.setPath(1, QString::fromLocal8Bit(ptsname(master)));
    TApdComPort port;
    port.setPortMap(map);
    port.SetHWFlowOptions({});
    port.SetComNumber(1);
    port.SetBaud(Baud);
    if (!port.SetOpen(true)) {
        std::fprintf(stderr, "the port did not open: %s\n", qPrintable(port.errorText()));
        return 1;
    }
    TerminalPane pane;
    pane.attach(&port);
    pane.resize(700, 320);
    pane.show();
    QApplication::processEvents();

    const QByteArray bytes = traffic(total);
    std::atomic<qsizetype> consumed{0};
    qsizetype target = 0;
    QEventLoop loop;
    // After the pane has taken a piece: the window repaints it (as it may at the real rate), and the
    // far end may write the next one.
    QObject::connect(&port, &TApdComPort::OnTriggerAvail, [&](int count) {
        pane.viewport()->repaint();
        consumed += count;
        consumed.notify_all();
        if (consumed.load() >= target) loop.quit();
    });
    // The far end writes one piece at a time, once the program has taken the one before.
    std::atomic<bool> failed{false};
    auto push = [&](const QByteArray &bytes) {
        const qsizetype start = consumed.load();
        const qsizetype end = start + bytes.size();
        target = end;
        std::thread writer([&] {
            for (qsizetype done = 0; done < bytes.size() && !failed;) {
                for (qsizetype seen = consumed.load(); seen < start + done; seen = consumed.load())
                    consumed.wait(seen);
                const qsizetype n = std::min(Piece, bytes.size() - done);
                qsizetype written = 0;
                while (written < n) {
                    const ssize_t w =
                        ::write(master, bytes.constData() + done + written, size_t(n - written));
                    if (w < 0 && errno != EAGAIN && errno != EINTR) {
                        failed = true;
                        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
                        return;
                    }
                    if (w > 0) written += w;
                }
                done += n;
            }
        });
        loop.exec();
        writer.join();
        return !failed;
    };

    // A warm-up fills the pane's scroll-back, its glyph caches and the window's backing store: what
    // the pane holds for good, however long the traffic goes on. The log starts afresh after it.
    const long rssCold = statusKb("VmRSS:");
    if (!push(traffic(1000 * 1000))) {
        std::fprintf(stderr, "writing to the pseudo-terminal failed\n");
        return 1;
    }
    port.trafficLog().clear();
    const long rssBefore = statusKb("VmRSS:");
    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const bool pushed = push(bytes);
    if (!pushed) {
        std::fprintf(stderr, "writing to the pseudo-terminal failed\n");
        return 1;
    }
    const double cpu = threadCpuSeconds() - cpuBefore;
    const double seconds = double(wall.elapsed()) / 1000.0;
    const long peak = statusKb("VmHWM:");

    const TrafficLog &log = port.trafficLog();
    QTemporaryDir dir;
    QElapsedTimer saving;
    saving.start();
    QString error;
    const bool saved = log.writeTo(dir.filePath(QStringLiteral("traffic.txt")), {}, &error);
    const double saveSeconds = double(saving.elapsed()) / 1000.0;
    const long peakAfterSave = statusKb("VmHWM:");
    port.SetOpen(false);
    ::close(master);

    const double mb = double(total) / 1e6;
    const double cpuPerMb = cpu / mb;
    const double budgetPerMb = CoreShare / BytesPerSecond * 1e6;
    const double growthMiB = double(peak - rssBefore) / 1024.0;
    const double coldGrowthMiB = double(peak - rssCold) / 1024.0;
    const double growthAfterSaveMiB = double(peakAfterSave - rssBefore) / 1024.0;
    const double capMiB = double(log.capacity()) / (1024.0 * 1024.0);
    const double allowedMiB = capMiB * 1.1;
    std::printf("pushed %.1f MB in %.1f s wall; pane holds %d lines, %d characters\n", mb, seconds,
                pane.document()->blockCount(), pane.document()->characterCount());
    std::printf("traffic log: %zu chunks, %.2f MiB held (bound %.2f MiB), %lld bytes dropped\n",
                log.chunks().size(), double(log.memoryUse()) / (1024.0 * 1024.0), capMiB,
                static_cast<long long>(log.droppedBytes()));
    std::printf(
        "CPU of the program's thread: %.3f s per MB (57600 baud at %.0f %% of one core allows %.2f s per "
        "MB); at 57600 baud that is %.2f %% of one core\n",
        cpuPerMb, CoreShare * 100, budgetPerMb, cpuPerMb * BytesPerSecond / 1e6 * 100);
    std::printf("peak memory: VmRSS %.1f MiB before any traffic, %.1f MiB after the warm-up (the pane full), "
                "VmHWM %.1f MiB\n",
                rssCold / 1024.0, rssBefore / 1024.0, peak / 1024.0);
    std::printf("  above the warm-up: %.2f MiB (allowed: the log's bound plus 10 %% = %.2f MiB); above the "
                "cold start: "
                "%.2f MiB (the pane's full scroll-back, glyph caches and backing store included)\n",
                growthMiB, allowedMiB, coldGrowthMiB);
    std::printf("saving the full log: %s in %.3f s; VmHWM then %.2f MiB above the start\n",
                saved ? "written" : qPrintable(error), saveSeconds, growthAfterSaveMiB);
    const bool cpuOk = cpuPerMb < budgetPerMb;
    const bool memoryOk = growthMiB <= allowedMiB;
    std::printf("goals: CPU %.3f s/MB < %.2f s/MB %s; memory +%.2f MiB <= %.2f MiB %s; %s\n", cpuPerMb,
                budgetPerMb, cpuOk ? "holds" : "FAILS", growthMiB, allowedMiB, memoryOk ? "holds" : "FAILS",
                cpuOk && memoryOk ? "both goals hold" : "a goal is missed");
    return cpuOk && memoryOk ? 0 : 2;
}
