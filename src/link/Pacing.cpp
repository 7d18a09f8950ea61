// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pacing.h"

#include <algorithm>
#include <cmath>

namespace {
int scale(int ms, double factor, int floorMs) {
    return std::max(floorMs, int(std::lround(ms * factor)));
}
} // namespace

Pacing Pacing::scaled(double factor) const {
    Pacing p;
    p.tickMs = scale(tickMs, factor, 1);
    p.watchdogMs = scale(watchdogMs, factor, 1);
    p.resendPauseMs = scale(resendPauseMs, factor, 1);
    p.controllerErrorPauseMs = scale(controllerErrorPauseMs, factor, 1);
    p.debugQueryPauseMs = scale(debugQueryPauseMs, factor, 1);
    p.settleStepMs = scale(settleStepMs, factor, 0);
    p.parseFailurePauseMs = scale(parseFailurePauseMs, factor, 1);
    p.exitPauseMs = scale(exitPauseMs, factor, 1);
    p.protocolPauseMs = scale(protocolPauseMs, factor, 1);
    return p;
}

Pacing Pacing::pausesScaled(double factor) const {
    Pacing p = scaled(factor);
    p.tickMs = tickMs;
    p.watchdogMs = watchdogMs;
    return p;
}

Pacing Pacing::withDeadlines(int watchdog, int tick) const {
    Pacing p = *this;
    p.watchdogMs = watchdog;
    p.tickMs = tick;
    return p;
}
