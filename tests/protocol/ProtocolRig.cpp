// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProtocolRig.h"

#include "ConfigFile.h"
#include "EventPump.h"

#include <QTest>

#include <cstring>

namespace {
SimOptions simOptions(const ProtocolRig::Setup &setup) {
    SimOptions o;
    o.mode = setup.controller ? SimOptions::Controller : SimOptions::Direct;
    o.ids = setup.ids;
    return o;
}
} // namespace

ProtocolRig::ProtocolRig(const Setup &setup)
    : pacing(setup.pacingFactor == 1.0 ? Pacing::real() : Pacing::real().pausesScaled(setup.pacingFactor)),
      sim(simOptions(setup)) {
    if (setup.settleStepMs >= 0) pacing.settleStepMs = setup.settleStepMs;
    if (setup.watchdogMs > 0) pacing = pacing.withDeadlines(setup.watchdogMs, pacing.tickMs);
    clearModel();
    EventPump::clearAbort();
    state.DeviceCount = int(setup.ids.size());
    for (int d = 1; d <= 2 && d <= setup.ids.size(); ++d)
        state.DeviceIds[d] = setup.ids[d - 1];

    if (!sim.start(&startError)) return;
    PortMap map;
    map.setPath(1, sim.slavePath());
    port.setPortMap(map);
    port.setTickMs(pacing.tickMs);
    port.SetComNumber(1);
    port.SetHWFlowOptions({});
    port.SetBaud(setup.controller ? 57600 : 38400);
    if (!port.SetOpen(true)) {
        startError = port.errorText();
        return;
    }
    engine = std::make_unique<CommandEngine>(port, host, commandBusy, pacing);
    engine->setControllerMode(setup.controller);
    engine->SetLinkActive(setup.linkActive);
    queries = std::make_unique<StatusQueries>(*engine, model);
    commands = std::make_unique<CommandSet>(*engine, model, *queries);
}

ProtocolRig::~ProtocolRig() {
    commands.reset();
    queries.reset();
    engine.reset();
    port.SetOpen(false);
    sim.stop();
}

bool ProtocolRig::waitForRequests(int count, int timeoutMs) {
    return QTest::qWaitFor([&] { return sim.requests().size() >= count; }, timeoutMs);
}

QList<QByteArray> ProtocolRig::rawRequests() const {
    QList<QByteArray> out;
    for (const SimRequest &r : sim.requests())
        out.append(r.raw);
    return out;
}

void ProtocolRig::clearModel() {
    model.applyImage(QByteArray(int(ConfigFile::FileSize), '\0'));
    for (int device = 1; device <= 2; ++device)
        model.setSystem(device, SystemInfo{});
}
