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

    void controllerMode() {
        engine.setControllerMode(true);
        engine.AckChar = '>';
    }

    void command(const char *text) {
        engine.setCommand("%s", text);
        engine.ComputeChecksum();
    }

    QByteArray reply() const { return QByteArray(reinterpret_cast<const char *>(engine.ReplyArea), 250); }

    PtyPeer peer;
    TApdComPort port;
    ScriptedHost host;
    int busy = 0;
    Pacing pacing;
    CommandEngine engine{port, host, busy, pacing};
};
