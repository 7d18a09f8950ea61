// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <functional>

class CommandEngine;

// What the Controller says of the Kestrix devices behind it: how many it detected and their RS-485
// IDs. Only the numbers the answer carried are valid (numbers = 0 when it carried no digit at all).
struct ControllerCount {
    int numbers = 0; // how many of the three numbers were read
    int count = 0;
    int id1 = 0;
    int id2 = 0;
};

// Reads the Controller's answer to NKX: from the first decimal digit among its first 30 bytes, up to
// the end of the answer (a NUL, or `length` bytes), three decimal numbers separated by blanks.
ControllerCount parseControllerCount(const quint8 *reply, int length);

// Finding the devices: the probe of COM1 then COM2, and the Controller's device count.
class Discovery {
public:
    // A Controller that keeps rejecting the count query is asked at most this many more times.
    static constexpr int kMaxCountRepeats = 5;

    explicit Discovery(CommandEngine &engine) : engine(engine) {}

    // Probes COM1, then COM2, with short acknowledgement waits. Returns 1 or 2, or -1 (port closed)
    // when neither answered. onFound runs with the number of the port that answered (the connection
    // display shows it); only COM1 is announced in the status bar.
    int SearchPorts(const std::function<void(int port)> &onFound);

    // Asks the Controller for its device count. Returns what it said, or numbers = 0 when the query
    // failed or the answer carried no digit (the status bar then tells so).
    ControllerCount QueryKestrixCount();

private:
    CommandEngine &engine;
};
