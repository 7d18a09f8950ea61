// SPDX-License-Identifier: GPL-3.0-or-later
#include "KestrixSimulator.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr qint64 NsPerMs = 1000000;
// A PASS frame ends in CR CR; when the first CR arrives alone, wait this long for its partner.
constexpr qint64 FrameCloseWaitNs = 100 * NsPerMs;
// A line that never ends is cut here, so that the buffer cannot grow without bound.
constexpr int LongestLine = 1024;

} // namespace

KestrixSimulator::KestrixSimulator(const SimOptions &options) : farEnd(options) {}

KestrixSimulator::~KestrixSimulator() {
    stop();
}

bool KestrixSimulator::start(QString *error) {
    if (isRunning()) return true;
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
        if (error) *error = QStringLiteral("pipe2 failed");
        return false;
    }
    const SimOptions opts = options();
    std::unique_lock ptyLock(mutex); // lineBaud() and slavePath() may be asked from other threads
    if (!pty.open(opts.mode == SimOptions::Direct ? opts.directBaud : opts.controllerBaud, error)) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    ptyLock.unlock();
    wakeRead = fds[0];
    wakeWrite = fds[1];
    stopping = false;
    originNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
                   .count();
    worker = std::thread(&KestrixSimulator::run, this);
    wake(); // bytes given to sendRaw() before the start go out now
    return true;
}

void KestrixSimulator::stop() {
    if (!isRunning()) return;
    stopping = true;
    wake();
    worker.join();
    std::lock_guard lock(mutex);
    pty.close();
    ::close(wakeRead);
    ::close(wakeWrite);
    wakeRead = wakeWrite = -1;
    input.clear();
    pending.clear();
    output.clear();
}

QString KestrixSimulator::slavePath() const {
    std::lock_guard lock(mutex);
    return pty.slavePath();
}

int KestrixSimulator::lineBaud() const {
    std::lock_guard lock(mutex);
    return pty.baud();
}

SimOptions KestrixSimulator::options() const {
    std::lock_guard lock(mutex);
    return farEnd.options();
}

void KestrixSimulator::setOptions(const SimOptions &options) {
    std::lock_guard lock(mutex);
    farEnd.setOptions(options);
}

QList<SimRequest> KestrixSimulator::requests() const {
    std::lock_guard lock(mutex);
    return log;
}

QByteArray KestrixSimulator::receivedBytes() const {
    std::lock_guard lock(mutex);
    return received;
}

void KestrixSimulator::clearRequests() {
    std::lock_guard lock(mutex);
    logBase += int(log.size());
    log.clear();
    received.clear();
}

bool KestrixSimulator::waitForRequests(int count, int timeoutMs) const {
    std::unique_lock lock(mutex);
    return requestArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return log.size() >= count; });
}

void KestrixSimulator::injectFault(SimFault fault, int times, int arg, const QByteArray &match) {
    std::lock_guard lock(mutex);
    farEnd.injectFault(fault, times, arg, match);
}

void KestrixSimulator::clearFaults() {
    std::lock_guard lock(mutex);
    farEnd.clearFaults();
}

SimDevice KestrixSimulator::device(int number) const {
    std::lock_guard lock(mutex);
    return const_cast<SimFarEnd &>(farEnd).device(number);
}

void KestrixSimulator::setDevice(int number, const SimDevice &device) {
    std::lock_guard lock(mutex);
    farEnd.device(number) = device;
}

bool KestrixSimulator::atDebugPrompt() const {
    std::lock_guard lock(mutex);
    return farEnd.atDebugPrompt();
}

void KestrixSimulator::sendRaw(const QByteArray &bytes) {
    {
        std::lock_guard lock(mutex);
        unasked += bytes;
    }
    wake();
}

void KestrixSimulator::setRequestObserver(std::function<void(const SimRequest &)> callback) {
    std::lock_guard lock(mutex);
    observer = std::move(callback);
}

void KestrixSimulator::wake() {
    if (wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite, &byte, 1); // a full pipe already wakes
    }
}

qint64 KestrixSimulator::nowNs() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

qint64 KestrixSimulator::elapsedUs() const {
    return (nowNs() - originNs) / 1000;
}

qint64 KestrixSimulator::byteTimeNs() const {
    const int baud = pty.baud();
    return 10 * 1000000000LL / (baud > 0 ? baud : 9600); // start bit, 8 data bits, stop bit
}

void KestrixSimulator::run() {
    bool outputBlocked = false;
    while (!stopping) {
        qint64 now = nowNs();
        actOnDueRequests(now);
        outputBlocked = flushOutput(now);

        pollfd fds[2] = {{pty.masterFd(), short(POLLIN | (outputBlocked ? POLLOUT : 0)), 0},
                         {wakeRead, POLLIN, 0}};
        const qint64 wakeAt = nextWakeNs(outputBlocked);
        timespec timeout{};
        if (wakeAt != LLONG_MAX) {
            const qint64 wait = qMax<qint64>(0, wakeAt - nowNs());
            timeout = {time_t(wait / 1000000000LL), long(wait % 1000000000LL)};
        }
        if (ppoll(fds, 2, wakeAt == LLONG_MAX ? nullptr : &timeout, nullptr) < 0 && errno != EINTR) break;
        now = nowNs();
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(wakeRead, drain, sizeof drain) > 0) {
            }
            std::unique_lock lock(mutex);
            const QByteArray bytes = std::exchange(unasked, {});
            lock.unlock();
            schedule(bytes, now, 0);
        }
        if (fds[0].revents & POLLIN)
            readInput(now);
        else if (fds[0].revents & (POLLHUP | POLLERR))
            usleep(10000); // no reader on the far side yet; do not spin on the hang-up
        splitRequests(now);
    }
}

void KestrixSimulator::readInput(qint64 now) {
    char buf[4096];
    ssize_t n;
    while ((n = ::read(pty.masterFd(), buf, sizeof buf)) > 0) {
        if (input.isEmpty()) firstByteNs = now;
        input.append(buf, n);
        std::lock_guard lock(mutex);
        received.append(buf, n);
    }
}

// Cuts the input into requests: a line ends at CR. A "PASS " frame ends at CR CR, as does a command
// written with two CRs in one go ("RGBADJ" CR CR); a second CR that comes later is a probe of its own.
void KestrixSimulator::splitRequests(qint64 now) {
    while (!input.isEmpty()) {
        const int cr = int(input.indexOf('\r'));
        if (cr < 0) {
            if (input.size() <= LongestLine) return;
            enqueueRequest(std::exchange(input, {}), firstByteNs, now);
            return;
        }
        int end = cr + 1;
        const bool frame = input.startsWith("PASS ");
        if (frame && end == input.size()) {
            if (frameDeadlineNs < 0) frameDeadlineNs = now + FrameCloseWaitNs;
            if (now < frameDeadlineNs) return;
        } else if ((frame || cr > 0) && end < input.size() && input.at(end) == '\r') {
            ++end;
        }
        frameDeadlineNs = -1;
        const QByteArray raw = input.left(end);
        input.remove(0, end);
        enqueueRequest(raw, firstByteNs, now);
        firstByteNs = now;
    }
}

void KestrixSimulator::enqueueRequest(const QByteArray &raw, qint64 firstByte, qint64 now) {
    qint64 ready = now;
    if (options().paceInput) {
        const qint64 start = qMax(firstByte, inputLineFreeNs);
        ready = qMax(now, start + raw.size() * byteTimeNs());
        inputLineFreeNs = ready;
    }
    pending.push_back({ready, firstByte, now, raw});
    actOnDueRequests(now);
}

void KestrixSimulator::actOnDueRequests(qint64 now) {
    while (!pending.empty() && pending.front().readyNs <= now) {
        SimRequest request;
        request.raw = pending.front().raw;
        request.firstByteUs = (pending.front().firstByteNs - originNs) / 1000;
        request.lastByteUs = (pending.front().lastByteNs - originNs) / 1000;
        pending.pop_front();
        request.baud = pty.baud();
        request.atMs = (now - originNs) / NsPerMs;
        std::unique_lock lock(mutex);
        const SimFarEnd::Answer answer = farEnd.handle(request);
        const int index = logBase + int(log.size());
        log.append(request);
        const auto notify = observer;
        lock.unlock();
        requestArrived.notify_all();
        if (notify) notify(request);
        schedule(answer.bytes, now + answer.delayMs * NsPerMs, answer.splitGapMs, index);
    }
}

void KestrixSimulator::schedule(const QByteArray &bytes, qint64 start, int splitGapMs, int request) {
    const bool paced = options().paceOutput;
    const qint64 byteNs = byteTimeNs();
    for (int i = 0; i < bytes.size(); ++i) {
        qint64 due = start + qint64(i) * splitGapMs * NsPerMs;
        if (paced) {
            due = qMax(due, outputLineFreeNs) + byteNs; // a byte is there once its last bit has crossed
            outputLineFreeNs = due;
        }
        output.emplace(due, OutByte{bytes.at(i), request});
    }
}

// Writes every byte that is due. True when the line would block and bytes are still waiting.
bool KestrixSimulator::flushOutput(qint64 now) {
    QByteArray due;
    for (auto it = output.begin(); it != output.end() && it->first <= now; ++it)
        due.append(it->second.byte);
    if (due.isEmpty()) return false;
    // Stamped before the write: the program cannot have the bytes earlier, while a stamp taken after it
    // could be late by however long this thread was held up.
    const qint64 atUs = (nowNs() - originNs) / 1000;
    const ssize_t n = ::write(pty.masterFd(), due.constData(), size_t(due.size()));
    const ssize_t written = n < 0 ? 0 : n;
    if (written > 0) {
        std::lock_guard lock(mutex);
        for (auto it = output.begin(); it != std::next(output.begin(), written); ++it)
            if (const int at = it->second.request - logBase;
                it->second.request >= 0 && at >= 0 && at < log.size())
                log[at].answerEndUs = atUs;
    }
    output.erase(output.begin(), std::next(output.begin(), written));
    return written < due.size();
}

qint64 KestrixSimulator::nextWakeNs(bool outputBlocked) const {
    qint64 at = LLONG_MAX;
    if (!output.empty() && !outputBlocked) at = qMin(at, output.begin()->first);
    if (!pending.empty()) at = qMin(at, pending.front().readyNs);
    if (frameDeadlineNs >= 0) at = qMin(at, frameDeadlineNs);
    return at;
}
