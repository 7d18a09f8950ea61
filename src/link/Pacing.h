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
};
