// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandSet.h"
#include "CommandTable.h"

#include "CommandEngine.h"
#include "DeviceModel.h"
#include "DeviceSetting.h"
#include "EventPump.h"
#include "ModelAccessors.h"
#include "SettingCatalogue.h"
#include "StatusQueries.h"

namespace {

// The model field a colour letter of ICNTKX / IBRTKX stands for; nullptr for any other letter.
float *colourField(InputInfo &in, char colour, bool contrast) {
    switch (colour) {
    case 'C':
        return contrast ? &in.OverallContrast : &in.OverallBrightness;
    case 'R':
        return contrast ? &in.RedContrast : &in.RedBrightness;
    case 'G':
        return contrast ? &in.GreenContrast : &in.GreenBrightness;
    case 'B':
        return contrast ? &in.BlueContrast : &in.BlueBrightness;
    }
    return nullptr;
}

} // namespace

CommandSet::CommandSet(CommandEngine &engine, DeviceModel &model, StatusQueries &queries, QObject *parent)
    : QObject(parent), engine(engine), model(model), state(model.state()), queries(queries) {}

CommandSet::~CommandSet() = default;

int CommandSet::DeviceId(int device) const {
    return IsAddressable(device) ? state.DeviceIds[device] : 0;
}

void CommandSet::ForEveryDevice(const std::function<void(int device)> &send) {
    Action action(*this);
    send(1);
    if (state.DeviceCount > 1) send(2);
}

void CommandSet::setAdjustmentObserver(AdjustmentObserver observer) {
    this->observer = std::move(observer);
}

CommandSet::Action::Action(CommandSet &commands) : commands(commands) {
    ++commands.m_actionDepth;
}

CommandSet::Action::~Action() {
    if (--commands.m_actionDepth == 0) commands.endOfAction();
}

void CommandSet::endOfAction() {
    std::unique_ptr<Adjustment> done = std::move(m_pending);
    if (done && observer) observer(*done);
}

// The model is read before the builder writes it: that is what the setting held.
CommandSet::Change::Change(CommandSet &commands, const DeviceSetting &setting) : commands(commands) {
    commands.m_lastDelivered = false;
    if (!commands.observer) return;
    change = std::make_unique<SettingChange>();
    change->before = DeviceSettings::current(commands.model, setting);
    change->after = setting;
}

CommandSet::Change::~Change() = default;

void CommandSet::Change::sent(bool delivered) {
    commands.m_lastDelivered = delivered;
    if (!change) return;
    change->delivered = delivered;
    commands.report(*change);
}

void CommandSet::report(const SettingChange &change) {
    if (m_actionDepth == 0) {
        if (observer) observer(Adjustment{{change}, {}});
        return;
    }
    if (!m_pending) m_pending = std::make_unique<Adjustment>();
    m_pending->changes.append(change);
}

// Told before the command goes out: whatever the device does with it, what was before is gone.
void CommandSet::reportIrreversible(const QString &name) {
    if (m_actionDepth == 0) {
        if (observer) observer(Adjustment{{}, name});
        return;
    }
    if (!m_pending) m_pending = std::make_unique<Adjustment>();
    m_pending->irreversible = name;
}

bool CommandSet::FinishWrites() {
    return engine.SettleWrites();
}

bool CommandSet::linkActive() const {
    return engine.LinkActive();
}

bool CommandSet::controllerMode() const {
    return engine.controllerMode();
}

// The engine names the device to the user should the command go unacknowledged.
bool CommandSet::sendController(int device, const QByteArray &command, int settleCount) {
    if (recorder) {
        recorder(device, Framing::controllerText(DeviceId(device), command));
        return true;
    }
    return engine.SendControllerCommand(command, settleCount, {device, DeviceId(device)});
}

void CommandSet::requestRefresh(void (CommandSet::*signal)()) {
    const bool wasRefreshing = state.Refreshing;
    state.Refreshing = true;
    emit(this->*signal)();
    state.Refreshing = wasRefreshing;
}

bool CommandSet::sendRow(int device, const CommandRow &row, const QByteArray &arguments) {
    if (!linkActive()) return false;
    const QByteArray tail = arguments.isEmpty() ? QByteArray() : ' ' + arguments;
    bool delivered = false;
    if (controllerMode()) {
        delivered =
            sendController(device, Framing::controller(DeviceId(device), row.token + tail), row.settle);
        if (row.followUp == FollowUp::ReadOutputs) EventPump::processPending();
    } else {
        const QByteArray text = Framing::direct(row.token + tail);
        if (row.direct == DirectHandling::Write)
            delivered = engine.WriteDirectCommand(text);
        else
            delivered = engine.SendDirectCommand(text, row.ackTicks);
    }
    // A link ended meanwhile (a stopped run, a command the user gave up on) reads nothing back.
    if (!linkActive()) return delivered;
    switch (row.followUp) {
    case FollowUp::None:
        break;
    case FollowUp::ReadOutputs:
        queries.QueryOutputs(device);
        requestRefresh(&CommandSet::displaySetupRefreshRequested);
        break;
    case FollowUp::ReadInputs:
        queries.QueryInputs(device);
        requestRefresh(&CommandSet::sourceSetupRefreshRequested);
        break;
    }
    return delivered;
}

void CommandSet::SendBlackLevel(int device, int channel, int level) {
    if (!IsAddressable(device, channel)) return;
    Change change(*this, {Cmd::BlackLevel, device, channel, 0, {double(level)}});
    model.editOutput(device, channel, [&](OutputInfo &out) { out.BlackLevel = quint8(level); });
    change.sent(send<Cmd::BlackLevel>(device, channel, level));
}

void CommandSet::SendFeatherMode(int device, int advanced) {
    if (!IsAddressable(device)) return;
    const bool wasBusy = engine.host().isBusyCursor();
    engine.host().setBusyCursor(true);
    const Cmd cmd = advanced == 1 ? Cmd::FeatherModeAdvanced : Cmd::FeatherModeBasic;
    Change change(*this, {cmd, device, 0, 0, {double(advanced)}});
    model.editOutput(device, 1, [&](OutputInfo &out) { out.AdvancedMode = quint8(advanced); });
    // The device takes longer to switch into the advanced mode than out of it.
    change.sent(advanced == 1 ? send<Cmd::FeatherModeAdvanced>(device, advanced)
                              : send<Cmd::FeatherModeBasic>(device, advanced));
    engine.host().setBusyCursor(wasBusy);
}

void CommandSet::SendDataDoubling(int device, int on) {
    if (!IsAddressable(device)) return;
    Change change(*this, {Cmd::DataDoubling, device, 0, 0, {double(on)}});
    model.editOutput(device, 1, [&](OutputInfo &out) { out.DataDoubling = quint8(on); });
    change.sent(send<Cmd::DataDoubling>(device, on));
}

void CommandSet::SendDisplayLayout(int device, int justification, int overlap) {
    if (!IsAddressable(device)) return;
    Change change(*this, {Cmd::DisplayLayout, device, 0, 0, {double(justification), double(overlap)}});
    model.editOutput(device, 1, [&](OutputInfo &system) {
        system.Justification = quint8(justification);
        system.OverlapWidth = overlap;
    });
    change.sent(send<Cmd::DisplayLayout>(device, justification, overlap));
}

void CommandSet::SendBasicFeather(int device, int enable, double gamma) {
    gamma = SettingCatalogue::asSent(gamma);
    if (!IsAddressable(device)) return;
    Change change(*this, {Cmd::BasicFeather, device, 0, 0, {double(enable), gamma}});
    model.editOutput(device, 1, [&](OutputInfo &system) {
        system.BasicGamma = float(gamma);
        system.BasicFeathering = qint16(enable);
    });
    change.sent(send<Cmd::BasicFeather>(device, enable, gamma));
}

void CommandSet::SendHalo(int device, int channel, char side, int width, int offset) {
    if (!IsAddressable(device, channel)) return;
    Change change(*this, {Cmd::Halo, device, channel, side, {double(width), double(offset)}});
    model.editOutput(device, channel, [&](OutputInfo &out) {
        if (side == 'L') {
            out.LeftHaloWidth = width;
            out.LeftHaloOffset = offset;
        } else if (side == 'R') {
            out.RightHaloWidth = width;
            out.RightHaloOffset = offset;
        }
        if (side == 'L' || side == 'R') out.Held |= OutputHeld::halo(side);
    });
    change.sent(send<Cmd::Halo>(device, channel, side, width, offset));
}

void CommandSet::SendFactoryReset(int device, char kind) {
    if (!IsAddressable(device)) return;
    if (linkActive()) reportIrreversible(QStringLiteral("Reset Kestrix(s)"));
    send<Cmd::FactoryReset>(device, kind);
}

void CommandSet::SendTestPattern(int device, int channel, int pattern, int raster, int grid) {
    if (!IsAddressable(device, channel == 5 ? 1 : channel)) return;
    const int first = channel == 5 ? 1 : channel;
    const int last = channel == 5 ? 4 : channel;
    Change change(*this,
                  {Cmd::TestPattern, device, channel, 0, {double(pattern), double(raster), double(grid)}});
    for (int c = first; c <= last; ++c) {
        model.editOutput(device, c, [&](OutputInfo &out) {
            out.TestPattern = quint8(pattern);
            out.OutputRaster = quint8(raster);
            out.TestGrid = quint8(grid);
        });
    }
    change.sent(send<Cmd::TestPattern>(device, channel, pattern, raster, grid));
}

void CommandSet::SendInputContrast(int device, int channel, char colour, double value) {
    value = SettingCatalogue::asSent(value);
    if (!IsAddressable(device, channel)) return;
    Change change(*this, {Cmd::InputContrast, device, channel, colour, {value}});
    model.editInput(device, channel, [&](InputInfo &in) {
        if (float *field = colourField(in, colour, true)) *field = float(value);
    });
    change.sent(send<Cmd::InputContrast>(device, channel, colour, value));
}

void CommandSet::SendInputBrightness(int device, int channel, char colour, double value) {
    value = SettingCatalogue::asSent(value);
    if (!IsAddressable(device, channel)) return;
    Change change(*this, {Cmd::InputBrightness, device, channel, colour, {value}});
    model.editInput(device, channel, [&](InputInfo &in) {
        if (float *field = colourField(in, colour, false)) *field = float(value);
    });
    change.sent(send<Cmd::InputBrightness>(device, channel, colour, value));
}

void CommandSet::SendInputPhase(int device, int channel, int phase) {
    if (!IsAddressable(device, channel)) return;
    Change change(*this, {Cmd::InputPhase, device, channel, 0, {double(phase)}});
    model.editInput(device, channel, [&](InputInfo &in) { in.PhaseOffset = phase; });
    change.sent(send<Cmd::InputPhase>(device, channel, phase));
}

void CommandSet::SendInputHPosition(int device, int channel, int position) {
    if (!IsAddressable(device, channel)) return;
    Change change(*this, {Cmd::InputHPosition, device, channel, 0, {double(position)}});
    model.editInput(device, channel, [&](InputInfo &in) { in.HPosition = position; });
    change.sent(send<Cmd::InputHPosition>(device, channel, position));
}

void CommandSet::SendInputVPosition(int device, int channel, int position) {
    if (!IsAddressable(device, channel)) return;
    Change change(*this, {Cmd::InputVPosition, device, channel, 0, {double(position)}});
    model.editInput(device, channel, [&](InputInfo &in) { in.VPosition = position; });
    change.sent(send<Cmd::InputVPosition>(device, channel, position));
}

void CommandSet::SendInputConfigSave(int device, int channel) {
    if (!IsAddressable(device, channel)) return;
    if (linkActive()) reportIrreversible(QStringLiteral("Save Config"));
    send<Cmd::InputConfigSave>(device, channel);
}

void CommandSet::SendInputConfigReset(int device, int channel) {
    if (!IsAddressable(device, channel)) return;
    if (linkActive()) reportIrreversible(QStringLiteral("Reset Config"));
    send<Cmd::InputConfigReset>(device, channel);
}

void CommandSet::SendProjectorCount(int device, int total) {
    if (!IsAddressable(device)) return;
    const int group = device == 1 ? 0 : 1;
    Change change(*this, {Cmd::ProjectorCount, device, 0, 0, {double(total)}});
    model.editOutput(device, 1, [&](OutputInfo &system) {
        system.ProjectorGroup = quint8(group);
        system.TotalProjectors = quint8(total);
    });
    change.sent(send<Cmd::ProjectorCount>(device, group, total));
}

void CommandSet::SendSeamGains(int device, int channel, int start, const std::array<int, 8> &g) {
    if (!IsAddressable(device, channel)) return;
    QList<double> values{double(start)};
    for (int gain : g)
        values.append(double(gain));
    Change change(*this, {Cmd::SeamGains, device, channel, 0, values});
    model.editOutput(device, channel, [&](OutputInfo &out) {
        out.SeamStart = start;
        for (int i = 0; i < 8; ++i)
            out.SeamGain[i] = quint8(g[i]);
    });
    change.sent(send<Cmd::SeamGains>(device, channel, start, g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7]));
}

void CommandSet::SendSeamBridge(int device, int channel, int on) {
    if (!IsAddressable(device, channel)) return;
    Change change(*this, {Cmd::SeamBridge, device, channel, 0, {double(on)}});
    model.editOutput(device, channel, [&](OutputInfo &out) { out.SeamBridge = quint8(on); });
    change.sent(send<Cmd::SeamBridge>(device, channel, on));
}

void CommandSet::SendSystemSave(int device) {
    if (!IsAddressable(device)) return;
    if (linkActive()) reportIrreversible(QStringLiteral("System Save"));
    send<Cmd::SystemSave>(device);
}

void CommandSet::SendFeatherCurve(int device, int item) {
    if (!IsAddressable(device)) return;
    const char curve = item == 1 ? 'L' : 'S';
    Change change(*this, {Cmd::FeatherCurve, device, 0, 0, {item == 1 ? 1.0 : 0.0}});
    model.editOutput(device, 1, [&](OutputInfo &out) { out.FeatherMode = quint8(curve); });
    change.sent(send<Cmd::FeatherCurve>(device, curve));
}

void CommandSet::SendEdgeFeather(int device, int channel, char side, int enable, double gamma, int width,
                                 int offset) {
    gamma = SettingCatalogue::asSent(gamma);
    if (!IsAddressable(device, channel)) return;
    Change change(
        *this,
        {Cmd::EdgeFeather, device, channel, side, {double(enable), gamma, double(width), double(offset)}});
    // Kept like every other setting sent: a page refreshed from the model afterwards (the end of Send
    // Current Settings) must show what the device now has, or a later push would send the old edge back.
    model.editOutput(device, channel, [&](OutputInfo &out) {
        if (side == 'L' || side == 'R') {
            const bool left = side == 'L';
            (left ? out.LeftFeathering : out.RightFeathering) = qint16(enable);
            (left ? out.LeftGamma : out.RightGamma) = float(gamma);
            (left ? out.LeftGammaWidth : out.RightGammaWidth) = width;
            (left ? out.LeftGammaOffset : out.RightGammaOffset) = offset;
            out.Held |= OutputHeld::feather(side);
        }
    });
    change.sent(send<Cmd::EdgeFeather>(device, channel, side, enable, gamma, width, offset));
}

void CommandSet::SendBridgeThreshold(int device, int threshold) {
    if (!IsAddressable(device)) return;
    Change change(*this, {Cmd::BridgeThreshold, device, 0, 0, {double(threshold)}});
    model.editOutput(device, 1, [&](OutputInfo &out) { out.BridgeThreshold = quint8(threshold); });
    change.sent(send<Cmd::BridgeThreshold>(device, threshold));
}
