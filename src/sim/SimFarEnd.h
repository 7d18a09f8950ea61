// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SimDevice.h"
#include "SimTypes.h"

#include <QByteArray>
#include <QList>

// What stands at the far end of the line: one Kestrix on a direct line, or the Controller relaying to
// the Kestrix devices on its RS-485 bus. Turns one complete request into the answer bytes, carrying
// out commands on the devices' state and playing any fault that was asked for. Knows nothing about
// ports or time; the simulator delivers the answer.
class SimFarEnd {
public:
    struct Answer {
        QByteArray bytes;   // empty: nothing is sent
        int delayMs = 0;    // hold the answer back this long
        int splitGapMs = 0; // write it one byte at a time, this far apart
    };

    explicit SimFarEnd(const SimOptions &options);

    void setOptions(const SimOptions &options);
    const SimOptions &options() const { return opts; }

    // Decodes `request` (raw bytes and baud filled in by the caller), fills in its decoded fields and
    // returns the answer.
    Answer handle(SimRequest &request);

    void injectFault(SimFault fault, int times, int arg, const QByteArray &match);
    void clearFaults() { faults.clear(); }

    // Devices are numbered from 1: device n is the one with RS-485 ID options().ids[n-1].
    SimDevice &device(int number);
    int deviceCount() const { return int(devices.size()); }
    bool atDebugPrompt() const { return debugPrompt; }

private:
    struct PendingFault {
        SimFault kind;
        int remaining;
        int arg;
        QByteArray match;
    };

    QByteArray directAnswer(SimRequest &r, const QByteArray &line);
    QByteArray controllerAnswer(SimRequest &r, const QByteArray &line);
    QByteArray relayFrame(SimRequest &r, const QByteArray &line);
    QByteArray relayQuery(SimRequest &r, const QByteArray &line);
    QByteArray nkxAnswer() const;
    SimDevice *deviceWithId(int id);
    bool applyCommand(SimDevice &d, SimRequest &r);
    QByteArray queryRecord(SimDevice &d, SimRequest &r, bool *isQuery);

    // Takes one use of a pending fault of this kind that matches the request; false when none.
    bool takeFault(SimFault kind, const SimRequest &r, int *arg = nullptr);
    // Replaces the answer with a Controller error when one is pending; the request is then not relayed.
    bool takeControllerFault(const SimRequest &r, QByteArray *answer);
    void dressAnswer(const SimRequest &r, Answer &answer, int acknowledgements);

    SimOptions opts;
    QList<SimDevice> devices;
    QList<PendingFault> faults;
    bool debugPrompt = false;
};
