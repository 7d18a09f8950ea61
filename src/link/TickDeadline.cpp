// SPDX-License-Identifier: GPL-3.0-or-later
#include "TickDeadline.h"

#include <QElapsedTimer>

#include <algorithm>

TickDeadline::TickDeadline(quint32 nowMs, int ticks, int tickMs)
    : m_startMs(nowMs), m_tickMs(std::max(1, tickMs)) {
    const qint64 n = std::clamp(ticks, 0, MaxTicks);
    m_limitMs = (n + 1) * m_tickMs;
}

bool TickDeadline::passed(quint32 nowMs) const {
    return remainingMs(nowMs) == 0;
}

qint64 TickDeadline::remainingMs(quint32 nowMs) const {
    // Unsigned subtraction gives the true elapsed time across a wrap of the 32-bit clock.
    const qint64 elapsed = quint32(nowMs - m_startMs);
    const qint64 sinceTickStart = qint64(m_startMs % quint32(m_tickMs)) + elapsed;
    return std::max<qint64>(0, m_limitMs - sinceTickStart);
}

quint32 TickDeadline::clockMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return quint32(clock.elapsed());
}
