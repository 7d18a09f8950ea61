#include "CommandSet.h"
#include "CommandTable.h"

#include "CommandEngine.h"
#include "DeviceModel.h"
#include "EventPump.h"
#include "ModelAccessors.h"
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

int CommandSet::DeviceId(int device) const {
    return IsAddressable(device) ? state.DeviceIds[device] : 0;
}

void CommandSet::ForEveryDevice(const std::function<void(int device)> &send) const {
    send(1);
    if (state.DeviceCount > 1) send(2);
}

bool CommandSet::linkActive() const {
    return engine.LinkActive();
}

bool CommandSet::controllerMode() const {
    return engine.controllerMode();
}

// The engine names the device to the user should the command go unacknowledged.
void CommandSet::sendController(int device, const QByteArray &command, int settleCount) {
    if (recorder) {
        QByteArray text = command;
        const QByteArray address = '*' + QByteArray::number(DeviceId(device));
        if (text.startsWith(address)) text.remove(0, address.size());
        if (text.endsWith('!')) text.chop(1);
        recorder(device, text);
        return;
    }
    engine.SendControllerCommand(command, settleCount, {device, DeviceId(device)});
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
    if (controllerMode()) {
        sendController(device, '*' + QByteArray::number(DeviceId(device)) + row.token + tail + '!',
                       row.settle);
        if (row.followUp == FollowUp::ReadOutputs) EventPump::processPending();
    } else {
        const QByteArray text = row.token + tail + '\r';
        if (row.direct == DirectHandling::Write)
            engine.WriteToPort(text);
        else
            engine.SendDirectCommand(text, row.ackTicks);
    }
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
    return true;
}

void CommandSet::SendBlackLevel(int device, int channel, int level) {
    if (!IsAddressable(device, channel)) return;
    model.editOutput(device, channel, [&](OutputInfo &out) { out.BlackLevel = quint8(level); });
    send(device, Cmd::BlackLevel, channel, level);
}

void CommandSet::SendFeatherMode(int device, int advanced) {
    if (!IsAddressable(device)) return;
    const bool wasBusy = engine.host().isBusyCursor();
    engine.host().setBusyCursor(true);
    model.editOutput(device, 1, [&](OutputInfo &out) { out.AdvancedMode = quint8(advanced); });
    // The device takes longer to switch into the advanced mode than out of it.
    send(device, advanced == 1 ? Cmd::FeatherModeAdvanced : Cmd::FeatherModeBasic, advanced);
    engine.host().setBusyCursor(wasBusy);
}

void CommandSet::SendDataDoubling(int device, int on) {
    if (!IsAddressable(device)) return;
    model.editOutput(device, 1, [&](OutputInfo &out) { out.DataDoubling = quint8(on); });
    send(device, Cmd::DataDoubling, on);
}

void CommandSet::SendDisplayLayout(int device, int justification, int overlap) {
    if (!IsAddressable(device)) return;
    model.editOutput(device, 1, [&](OutputInfo &system) {
        system.Justification = quint8(justification);
        system.OverlapWidth = overlap;
    });
    send(device, Cmd::DisplayLayout, justification, overlap);
}

void CommandSet::SendBasicFeather(int device, int enable, double gamma) {
    if (!IsAddressable(device)) return;
    model.editOutput(device, 1, [&](OutputInfo &system) {
        system.BasicGamma = float(gamma);
        system.BasicFeathering = qint16(enable);
    });
    send(device, Cmd::BasicFeather, enable, gamma);
}

void CommandSet::SendHalo(int device, int channel, char side, int width, int offset) {
    if (!IsAddressable(device, channel)) return;
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
    send(device, Cmd::Halo, channel, side, width, offset);
}

void CommandSet::SendFactoryReset(int device, char kind) {
    if (!IsAddressable(device)) return;
    send(device, Cmd::FactoryReset, kind);
}

void CommandSet::SendTestPattern(int device, int channel, int pattern, int raster, int grid) {
    if (!IsAddressable(device, channel == 5 ? 1 : channel)) return;
    const int first = channel == 5 ? 1 : channel;
    const int last = channel == 5 ? 4 : channel;
    for (int c = first; c <= last; ++c) {
        model.editOutput(device, c, [&](OutputInfo &out) {
            out.TestPattern = quint8(pattern);
            out.OutputRaster = quint8(raster);
            out.TestGrid = quint8(grid);
        });
    }
    send(device, Cmd::TestPattern, channel, pattern, raster, grid);
}

void CommandSet::SendInputContrast(int device, int channel, char colour, double value) {
    if (!IsAddressable(device, channel)) return;
    model.editInput(device, channel, [&](InputInfo &in) {
        if (float *field = colourField(in, colour, true)) *field = float(value);
    });
    send(device, Cmd::InputContrast, channel, colour, value);
}

void CommandSet::SendInputBrightness(int device, int channel, char colour, double value) {
    if (!IsAddressable(device, channel)) return;
    model.editInput(device, channel, [&](InputInfo &in) {
        if (float *field = colourField(in, colour, false)) *field = float(value);
    });
    send(device, Cmd::InputBrightness, channel, colour, value);
}

void CommandSet::SendInputPhase(int device, int channel, int phase) {
    if (!IsAddressable(device, channel)) return;
    model.editInput(device, channel, [&](InputInfo &in) { in.PhaseOffset = phase; });
    send(device, Cmd::InputPhase, channel, phase);
}

void CommandSet::SendInputHPosition(int device, int channel, int position) {
    if (!IsAddressable(device, channel)) return;
    model.editInput(device, channel, [&](InputInfo &in) { in.HPosition = position; });
    send(device, Cmd::InputHPosition, channel, position);
}

void CommandSet::SendInputVPosition(int device, int channel, int position) {
    if (!IsAddressable(device, channel)) return;
    model.editInput(device, channel, [&](InputInfo &in) { in.VPosition = position; });
    send(device, Cmd::InputVPosition, channel, position);
}

void CommandSet::SendInputConfigSave(int device, int channel) {
    if (!IsAddressable(device, channel)) return;
    send(device, Cmd::InputConfigSave, channel);
}

void CommandSet::SendInputConfigReset(int device, int channel) {
    if (!IsAddressable(device, channel)) return;
    send(device, Cmd::InputConfigReset, channel);
}

void CommandSet::SendProjectorCount(int device, int total) {
    if (!IsAddressable(device)) return;
    const int group = device == 1 ? 0 : 1;
    model.editOutput(device, 1, [&](OutputInfo &system) {
        system.ProjectorGroup = quint8(group);
        system.TotalProjectors = quint8(total);
    });
    send(device, Cmd::ProjectorCount, group, total);
}

void CommandSet::SendSeamGains(int device, int channel, int start, const std::array<int, 8> &g) {
    if (!IsAddressable(device, channel)) return;
    model.editOutput(device, channel, [&](OutputInfo &out) {
        out.SeamStart = start;
        for (int i = 0; i < 8; ++i)
            out.SeamGain[i] = quint8(g[i]);
    });
    send(device, Cmd::SeamGains, channel, start, g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7]);
}

void CommandSet::SendSeamBridge(int device, int channel, int on) {
    if (!IsAddressable(device, channel)) return;
    model.editOutput(device, channel, [&](OutputInfo &out) { out.SeamBridge = quint8(on); });
    send(device, Cmd::SeamBridge, channel, on);
}

void CommandSet::SendSystemSave(int device) {
    if (!IsAddressable(device)) return;
    send(device, Cmd::SystemSave);
}

void CommandSet::SendFeatherCurve(int device, int item) {
    if (!IsAddressable(device)) return;
    const char curve = item == 1 ? 'L' : 'S';
    model.editOutput(device, 1, [&](OutputInfo &out) { out.FeatherMode = quint8(curve); });
    send(device, Cmd::FeatherCurve, curve);
}

void CommandSet::SendEdgeFeather(int device, int channel, char side, int enable, double gamma, int width,
                                 int offset) {
    if (!IsAddressable(device, channel)) return;
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
    send(device, Cmd::EdgeFeather, channel, side, enable, gamma, width, offset);
}

void CommandSet::SendBridgeThreshold(int device, int threshold) {
    if (!IsAddressable(device)) return;
    model.editOutput(device, 1, [&](OutputInfo &out) { out.BridgeThreshold = quint8(threshold); });
    send(device, Cmd::BridgeThreshold, threshold);
}
