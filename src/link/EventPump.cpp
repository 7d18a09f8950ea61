// SPDX-License-Identifier: GPL-3.0-or-later
#include "EventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QList>
#include <QPointer>
#include <QTimer>

#include <utility>

namespace {

// A safety wake-up while waiting on a condition: every change of the condition comes from an event
// handler, which already wakes the dispatcher, so this only bounds the damage of a missed wake-up.
constexpr int SafetyWakeMs = 50;

struct PumpState {
    int depth = 0;
    bool aborting = false;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> unwoundCallbacks;
};

PumpState &state() {
    static PumpState s;
    return s;
}

void runUnwoundCallbacks() {
    auto callbacks = std::exchange(state().unwoundCallbacks, {});
    for (auto &[context, fn] : callbacks) {
        if (!context) continue;
        // Queued: it runs from whatever handles events next. That may be a new wait begun meanwhile
        // (the flow that was unwinding pumps once more); then it waits for that one to unwind too.
        QMetaObject::invokeMethod(
            context,
            [context = context, fn = fn] {
                if (state().depth > 0)
                    EventPump::whenUnwound(context, fn);
                else
                    fn();
            },
            Qt::QueuedConnection);
    }
}

// Blocks in the dispatcher until at least one event has been handled. Qt's (flags, maxtime) overload
// would ignore WaitForMoreEvents and spin, so the caller keeps a timer running as a wake-up instead.
void handleNextEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace

EventPump::Scope::Scope() {
    ++state().depth;
}

EventPump::Scope::~Scope() {
    if (--state().depth == 0) runUnwoundCallbacks();
}

void EventPump::pause(qint64 ms) {
    waitUntil([] { return false; }, ms);
}

bool EventPump::waitUntil(const std::function<bool()> &done, qint64 timeoutMs) {
    Scope scope;
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.setSingleShot(true);
    while (!done() && !aborting()) {
        int next = SafetyWakeMs;
        if (timeoutMs >= 0) {
            const qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0) break;
            next = int(std::min<qint64>(left, next));
        }
        wake.start(next);
        handleNextEvents();
    }
    return done();
}

void EventPump::processPending() {
    Scope scope;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void EventPump::requestAbort() {
    state().aborting = true;
}

bool EventPump::aborting() {
    return state().aborting;
}

void EventPump::clearAbort() {
    state().aborting = false;
}

int EventPump::depth() {
    return state().depth;
}

void EventPump::whenUnwound(QObject *context, std::function<void()> fn) {
    state().unwoundCallbacks.append({QPointer<QObject>(context), std::move(fn)});
    if (state().depth == 0) runUnwoundCallbacks();
}
