// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// A deadline counted in ticks of the port's clock. The tick number is the millisecond clock divided by
// the tick length, rounded down; a deadline of N ticks set at tick T has passed once the current tick
// exceeds T + N. The millisecond clock is a 32-bit counter that wraps; the deadline is computed on the
// time elapsed since it was set, so the wrap does not matter. N is capped so that every deadline lies
// within half the clock's range.
class TickDeadline {
public:
    static constexpr int MaxTicks = 39045157;

    TickDeadline(quint32 nowMs, int ticks, int tickMs = 55);
    bool passed(quint32 nowMs) const;
    // Milliseconds until the deadline passes (0 when it has).
    qint64 remainingMs(quint32 nowMs) const;

    // The process-wide millisecond clock (monotonic, truncated to 32 bits).
    static quint32 clockMs();

private:
    quint32 m_startMs;
    qint64 m_limitMs; // elapsed milliseconds, counted from the start of the starting tick, that pass it
    int m_tickMs;
};
