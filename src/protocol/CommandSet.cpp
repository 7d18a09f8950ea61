#include "CommandSet.h"

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
void CommandSet::sendController(int device, int settleCount) {
    if (recorder) {
        QByteArray text(engine.CommandBuffer);
        const QByteArray address = '*' + QByteArray::number(DeviceId(device));
        if (text.startsWith(address)) text.remove(0, address.size());
        if (text.endsWith('!')) text.chop(1);
        recorder(device, text);
        return;
    }
    engine.ComputeChecksum();
    engine.SendControllerCommand(settleCount, {device, DeviceId(device)});
}

void CommandSet::writeDirect() {
    engine.WriteToPort(QByteArray(engine.CommandBuffer));
}

void CommandSet::sendDirectWithAck(int ackTicks) {
    engine.AckWaitTicks = ackTicks;
    engine.SendDirectCommand();
    engine.AckWaitTicks = kNormalAckTicks;
}

void CommandSet::requestRefresh(void (CommandSet::*signal)()) {
    const bool wasRefreshing = state.Refreshing;
    state.Refreshing = true;
    emit(this->*signal)();
    state.Refreshing = wasRefreshing;
}

void CommandSet::SendBlackLevel(int device, int channel, int level) {
    if (!IsAddressable(device, channel)) return;
    model.editOutput(device, channel, [&](OutputInfo &out) { out.BlackLevel = quint8(level); });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dBLKGN %d %d!", DeviceId(device), channel, level);
        sendController(device, 0);
    } else {
        engine.setCommand("BLKGN %d %d\r", channel, level);
        writeDirect();
    }
}

void CommandSet::SendFeatherMode(int device, int advanced) {
    if (!IsAddressable(device)) return;
    const bool wasBusy = engine.host().isBusyCursor();
    engine.host().setBusyCursor(true);
    model.editOutput(device, 1, [&](OutputInfo &out) { out.AdvancedMode = quint8(advanced); });
    if (linkActive()) {
        if (controllerMode()) {
            engine.setCommand("*%dKXCTRL %d!", DeviceId(device), advanced);
            sendController(device, advanced == 1 ? 1250 : 300);
            EventPump::processPending();
        } else {
            engine.setCommand("KXCTRL %d\r", advanced);
            sendDirectWithAck(580);
        }
        // Switching the feathering mode changes what the device reports for every output.
        queries.QueryOutputs(device);
        requestRefresh(&CommandSet::displaySetupRefreshRequested);
    }
    engine.host().setBusyCursor(wasBusy);
}

void CommandSet::SendDataDoubling(int device, int on) {
    if (!IsAddressable(device)) return;
    model.editOutput(device, 1, [&](OutputInfo &out) { out.DataDoubling = quint8(on); });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dDDBL %d!", DeviceId(device), on);
        sendController(device, 0);
    } else {
        engine.setCommand("DDBL %d\r", on);
        sendDirectWithAck();
    }
}

void CommandSet::SendDisplayLayout(int device, int justification, int overlap) {
    if (!IsAddressable(device)) return;
    model.editOutput(device, 1, [&](OutputInfo &system) {
        system.Justification = quint8(justification);
        system.OverlapWidth = overlap;
    });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dDISP %d %d!", DeviceId(device), justification, overlap);
        sendController(device, 400);
    } else {
        engine.setCommand("DISP %d %d\r", justification, overlap);
        sendDirectWithAck();
    }
}

void CommandSet::SendBasicFeather(int device, int enable, double gamma) {
    if (!IsAddressable(device)) return;
    model.editOutput(device, 1, [&](OutputInfo &system) {
        system.BasicGamma = float(gamma);
        system.BasicFeathering = qint16(enable);
    });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dEFTB %d %4.1f!", DeviceId(device), enable, gamma);
        sendController(device, 5);
    } else {
        engine.setCommand("EFTB %d %4.1f\r", enable, gamma);
        sendDirectWithAck();
    }
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
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dHALO %d %c %d %d!", DeviceId(device), channel, side, width, offset);
        sendController(device, 0);
    } else {
        engine.setCommand("HALO %d %c %d %d\r", channel, side, width, offset);
        writeDirect();
    }
}

void CommandSet::SendFactoryReset(int device, char kind) {
    if (!IsAddressable(device)) return;
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dRESETKX %c!", DeviceId(device), kind);
        sendController(device, 6500);
    } else {
        engine.setCommand("RESETKX %c\r", kind);
        sendDirectWithAck(810);
    }
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
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dOTPMKX %d %d %d %d!", DeviceId(device), channel, pattern, raster, grid);
        sendController(device, 0);
    } else {
        engine.setCommand("OTPMKX %d %d %d %d\r", channel, pattern, raster, grid);
        sendDirectWithAck();
    }
}

void CommandSet::SendInputContrast(int device, int channel, char colour, double value) {
    if (!IsAddressable(device, channel)) return;
    model.editInput(device, channel, [&](InputInfo &in) {
        if (float *field = colourField(in, colour, true)) *field = float(value);
    });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dICNTKX %d %c %4.1f!", DeviceId(device), channel, colour, value);
        sendController(device, 0);
    } else {
        engine.setCommand("ICNTKX %d %c %4.1f\r", channel, colour, value);
        writeDirect();
    }
}

void CommandSet::SendInputBrightness(int device, int channel, char colour, double value) {
    if (!IsAddressable(device, channel)) return;
    model.editInput(device, channel, [&](InputInfo &in) {
        if (float *field = colourField(in, colour, false)) *field = float(value);
    });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dIBRTKX %d %c %4.1f!", DeviceId(device), channel, colour, value);
        sendController(device, 0);
    } else {
        engine.setCommand("IBRTKX %d %c %4.1f\r", channel, colour, value);
        writeDirect();
    }
}

void CommandSet::SendInputPhase(int device, int channel, int phase) {
    if (!IsAddressable(device, channel)) return;
    model.editInput(device, channel, [&](InputInfo &in) { in.PhaseOffset = phase; });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dICPHOKX %d M %d!", DeviceId(device), channel, phase);
        sendController(device, 0);
    } else {
        engine.setCommand("ICPHOKX %d M %d\r", channel, phase);
        writeDirect();
    }
}

void CommandSet::SendInputHPosition(int device, int channel, int position) {
    if (!IsAddressable(device, channel)) return;
    model.editInput(device, channel, [&](InputInfo &in) { in.HPosition = position; });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dIRSPKX %d M H %d!", DeviceId(device), channel, position);
        sendController(device, 0);
    } else {
        engine.setCommand("IRSPKX %d M H %d\r", channel, position);
        writeDirect();
    }
}

void CommandSet::SendInputVPosition(int device, int channel, int position) {
    if (!IsAddressable(device, channel)) return;
    model.editInput(device, channel, [&](InputInfo &in) { in.VPosition = position; });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dIRSPKX %d M V %d!", DeviceId(device), channel, position);
        sendController(device, 0);
    } else {
        engine.setCommand("IRSPKX %d M V %d\r", channel, position);
        writeDirect();
    }
}

void CommandSet::SendInputConfigSave(int device, int channel) {
    if (!IsAddressable(device, channel)) return;
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dICSAVKX %d!", DeviceId(device), channel);
        sendController(device, 100);
    } else {
        engine.setCommand("ICSAVKX %d\r", channel);
        sendDirectWithAck();
    }
}

void CommandSet::SendInputConfigReset(int device, int channel) {
    if (!IsAddressable(device, channel)) return;
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dICRSTKX %d!", DeviceId(device), channel);
        sendController(device, 150);
    } else {
        engine.setCommand("ICRSTKX %d\r", channel);
        sendDirectWithAck();
    }
    // The device has put its own defaults in place: read them back for every input.
    queries.QueryInputs(device);
    requestRefresh(&CommandSet::sourceSetupRefreshRequested);
}

void CommandSet::SendProjectorCount(int device, int total) {
    if (!IsAddressable(device)) return;
    const int group = device == 1 ? 0 : 1;
    model.editOutput(device, 1, [&](OutputInfo &system) {
        system.ProjectorGroup = quint8(group);
        system.TotalProjectors = quint8(total);
    });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dPRJ %d %d!", DeviceId(device), group, total);
        sendController(device, 150);
    } else {
        engine.setCommand("PRJ %d %d\r", group, total);
        sendDirectWithAck(180);
    }
}

void CommandSet::SendSeamGains(int device, int channel, int start, const std::array<int, 8> &g) {
    if (!IsAddressable(device, channel)) return;
    model.editOutput(device, channel, [&](OutputInfo &out) {
        out.SeamStart = start;
        for (int i = 0; i < 8; ++i)
            out.SeamGain[i] = quint8(g[i]);
    });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dMANSEAM %d %d %d %d %d %d %d %d %d %d!", DeviceId(device), channel, start, g[0],
                          g[1], g[2], g[3], g[4], g[5], g[6], g[7]);
        sendController(device, 0);
    } else {
        engine.setCommand("MANSEAM %d %d %d %d %d %d %d %d %d %d\r", channel, start, g[0], g[1], g[2], g[3],
                          g[4], g[5], g[6], g[7]);
        sendDirectWithAck();
    }
}

void CommandSet::SendSeamBridge(int device, int channel, int on) {
    if (!IsAddressable(device, channel)) return;
    model.editOutput(device, channel, [&](OutputInfo &out) { out.SeamBridge = quint8(on); });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dBRDGSEAM %d %d!", DeviceId(device), channel, on);
        sendController(device, 20);
    } else {
        engine.setCommand("BRDGSEAM %d %d\r", channel, on);
        sendDirectWithAck(120);
    }
}

void CommandSet::SendSystemSave(int device) {
    if (!IsAddressable(device)) return;
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dSYSAVE!", DeviceId(device));
        sendController(device, 1000);
    } else {
        engine.setCommand("SYSAVE\r");
        sendDirectWithAck();
    }
}

void CommandSet::SendFeatherCurve(int device, int item) {
    if (!IsAddressable(device)) return;
    const char curve = item == 1 ? 'L' : 'S';
    model.editOutput(device, 1, [&](OutputInfo &out) { out.FeatherMode = quint8(curve); });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dFEATHER %c!", DeviceId(device), curve);
        sendController(device, 490);
    } else {
        engine.setCommand("FEATHER %c\r", curve);
        sendDirectWithAck();
    }
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
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dPEFT %d %c %d %4.1f %d %d!", DeviceId(device), channel, side, enable, gamma,
                          width, offset);
        sendController(device, 50);
    } else {
        engine.setCommand("PEFT %d %c %d %4.1f %d %d\r", channel, side, enable, gamma, width, offset);
        sendDirectWithAck();
    }
}

void CommandSet::SendBridgeThreshold(int device, int threshold) {
    if (!IsAddressable(device)) return;
    model.editOutput(device, 1, [&](OutputInfo &out) { out.BridgeThreshold = quint8(threshold); });
    if (!linkActive()) return;
    if (controllerMode()) {
        engine.setCommand("*%dBRTHRS %d!", DeviceId(device), threshold);
        sendController(device, 100);
    } else {
        engine.setCommand("BRTHRS %d\r", threshold);
        sendDirectWithAck();
    }
}
