// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

// Waiting without spinning. Every wait of the program runs here: it keeps the window live by handling
// events as they arrive and sleeps in the event dispatcher in between, so a core stays idle.
//
// Closing the window during a wait must not destroy objects that the wait still uses. The window
// therefore calls requestAbort() and ignores the close while depth() > 0; every wait then ends at once
// (each loop of the link also tests aborting()), and whenUnwound() runs the re-issued close once the
// outermost wait has returned to the main event loop.
class EventPump {
public:
    // Handles events for ms milliseconds (returns early when aborting).
    static void pause(qint64 ms);
    // Handles events until done() holds, the timeout passes (-1: none) or an abort is requested. The
    // timeout is 64-bit: the longest tick deadline is beyond the range of int.
    // Returns done() at the end.
    static bool waitUntil(const std::function<bool()> &done, qint64 timeoutMs = -1);
    // Handles the events already pending, without waiting for more.
    static void processPending();

    static void requestAbort();
    static bool aborting();
    // Forgets a requested abort (for tests and for a window whose close was cancelled).
    static void clearAbort();
    // Number of waits currently on the stack.
    static int depth();
    // Runs fn on context's thread from the main event loop once no wait is on the stack (at once,
    // queued, when none is). Dropped if context is destroyed first.
    static void whenUnwound(QObject *context, std::function<void()> fn);

    // Keeps depth() up to date for a wait that handles events on its own (e.g. a modal dialog).
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;
    };
};
