// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandEngine.h"
#include "CommandSet.h"
#include "DeviceModel.h"
#include "KestrixSimulator.h"
#include "Pacing.h"
#include "ScriptedHost.h"
#include "StatusQueries.h"
#include "TApdComPort.h"
#include "WindowState.h"

#include <memory>

// The protocol layer wired as the program wires it: the real port and engine on a pseudo-terminal whose
// far end is the simulator. Direct or Controller mode; the model tables are cleared on construction.
class ProtocolRig {
public:
    struct Setup {
        bool controller = false;
        QList<int> ids{1, 2};
        double pacingFactor = 0.02; // scaled timings keep the suite fast
        bool linkActive = true;
        int settleStepMs = -1; // >= 0 replaces the scaled settle step (to time settle counts)
        // > 0: the watchdog in ms, for a test whose device stays silent on purpose (otherwise the
        // program's own deadlines hold, so that a busy machine's slow answer is never a time-out).
        int watchdogMs = 0;
    };

    explicit ProtocolRig(const Setup &setup);
    ~ProtocolRig();

    bool ok() const { return startError.isEmpty(); }
    QString error() const { return startError; }

    // Waits, handling events (writes without acknowledgement leave the port only from the event loop),
    // until the simulator has recorded at least count requests.
    bool waitForRequests(int count, int timeoutMs = 2000);

    // The requests the simulator received since the last clear, as raw bytes.
    QList<QByteArray> rawRequests() const;

    // Every record back to zero, as a fresh model.
    void clearModel();

    Pacing pacing;
    ScriptedHost host;
    int commandBusy = 0;
    DeviceModel model;
    WindowState &state = model.state();
    KestrixSimulator sim;
    TApdComPort port;
    std::unique_ptr<CommandEngine> engine;
    std::unique_ptr<StatusQueries> queries;
    std::unique_ptr<CommandSet> commands;

private:
    QString startError;
};
