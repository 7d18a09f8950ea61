// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every protocol timing in one value. Production uses real(); tests may use a scaled copy to stay fast
// (the wire behaviour is the same, only the pauses shrink).
struct Pacing {
    int tickMs = 55;                  // the port's time unit for raw waits and the status lights
    int watchdogMs = 8000;            // Timer1: how long an event-driven wait may last
    int resendPauseMs = 900;          // before a Controller command is sent again
    int controllerErrorPauseMs = 900; // after a generic "!ERR" from the Controller
    int debugQueryPauseMs = 1000;     // after "debug 0" inside a query, before it is repeated
    int settleStepMs = 1;             // one settle step after an acknowledged command
    int parseFailurePauseMs = 100;    // after a status reply that could not be parsed
    int exitPauseMs = 1000;           // between hiding the window and closing the port at exit
    int protocolPauseMs = 1000;       // the other one-second pauses of the protocol (device count, reads)

    static Pacing real() { return Pacing{}; }

    // Every timing multiplied by factor and rounded. Settle steps may become 0 ms (a step then only
    // processes pending events); all other timings stay at least 1 ms so that deadlines still pass.
    Pacing scaled(double factor) const;

    // The pauses multiplied by factor; the deadlines (the tick that raw waits count, the watchdog) stay
    // as they are. A deadline costs nothing while it does not pass, and a shortened one turns a busy
    // machine's slow answer into a failure, so a faster run only shortens what is always waited out.
    Pacing pausesScaled(double factor) const;

    // The same with the deadlines shortened as well, for a run in which a deadline is meant to pass (a
    // silent device): the watchdog lasts watchdogMs and a raw wait's tick tickMs. Exchanges that are
    // meant to succeed must still fit in them, so keep them well above a busy machine's delays.
    Pacing withDeadlines(int watchdogMs, int tickMs) const;
};
