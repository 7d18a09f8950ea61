// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandEngine.h"
#include "PtyPeer.h"
#include "ScriptedHost.h"
#include "TApdComPort.h"

// An engine on COM1, which is a pseudo-terminal whose far end the test drives. Timings are scaled
// down unless the test asks for real ones.
struct EngineRig {
    explicit EngineRig(const Pacing &timing = Pacing::real().pausesScaled(0.05)) : pacing(timing) {
        PortMap map;
        map.setPath(1, peer.slavePath());
        map.setPath(2, QStringLiteral("/dev/lumivane-no-such-port"));
        port.setPortMap(map);
        port.SetComNumber(1);
        port.SetOpen(true);
    }

    // For a test in which the far end stays silent on purpose: the watchdog and the ticks short enough
    // to be waited out, long enough for the answers that do come.
    static Pacing silentDevice() { return Pacing::real().pausesScaled(0.05).withDeadlines(600, 15); }

    void controllerMode() { engine.setControllerMode(true); }

    // The Controller command the next send() carries.
    void command(const char *text) { commandText = text; }
    bool send(int settleCount, const CommandTarget &target = {}) {
        return engine.SendControllerCommand(commandText, settleCount, target);
    }

    // The query the next query() sends, and its reply.
    void query() { answer = engine.SendQuery(request, minLength); }
    bool failed() const { return !answer.answered(); }
    bool controllerError() const { return answer.outcome == Reply::Outcome::ControllerError; }
    QByteArray reply() const { return answer.area; }

    QByteArray commandText;
    QByteArray request;
    int minLength = 0;
    Reply answer;

    PtyPeer peer;
    TApdComPort port;
    ScriptedHost host;
    int busy = 0;
    Pacing pacing;
    CommandEngine engine{port, host, busy, pacing};
};
