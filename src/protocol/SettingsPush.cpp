// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsPush.h"

#include "CommandSet.h"
#include "DeviceModel.h"
#include "Host.h"
#include "ModelAccessors.h"
#include "WindowState.h"

#include <algorithm>

SettingsPush::SettingsPush(CommandSet &commands, DeviceModel &model, Host &host,
                           std::function<bool()> linkActive)
    : commands(commands), model(model), state(model.state()), host(host), linkActive(std::move(linkActive)) {}

QString SettingsPush::invalidValueMessage() {
    return QStringLiteral(
        "Error! Unable to send parameters to Kestrix(s). Invalid value exist in one of the settings.");
}

template <typename T> T SettingsPush::need(const std::optional<T> &value) {
    if (!value) throw Invalid{};
    return *value;
}

// The progress notice names the part going out and how far along the pass is.
void SettingsPush::step(const QString &what) {
    if (!linkActive()) throw LinkEnded{};
    ++stepsDone;
    host.showProgress(
        QStringLiteral("Sending current settings to Kestrix(s): %1. Please wait....").arg(what));
    host.setProgressSuffix(QStringLiteral("%1 of %2").arg(stepsDone).arg(stepsTotal));
    if (stepObserver) stepObserver({stepsDone, stepsTotal, what});
}

SettingsPush::Result SettingsPush::run(PushValues &values, PushInputValues *inputs, PushSeamValues *seams) {
    if (state.Refreshing || !linkActive()) return Result::NotSent;
    const int n = std::clamp(values.projectorCount(), 1, 8);
    const bool two = state.DeviceCount > 1;
    const int lastOfDevice1 = std::min(n, 4);
    const bool device2Screens = two && n >= 5;
    stepsDone = 0;
    stepsTotal = 6 + (two ? 1 : 0) + (inputs ? 1 + (device2Screens ? 1 : 0) : 0) +
                 (seams ? 1 + (device2Screens ? 1 : 0) : 0);

    auto everyDevice = [two](const std::function<void(int)> &send) {
        send(1);
        if (two) send(2);
    };

    Result result = Result::Sent;
    try {
        step(QStringLiteral("number of projectors"));
        everyDevice([&](int d) { commands.SendProjectorCount(d, n); });

        step(QStringLiteral("display layout"));
        const int justification = values.justification();
        const int overlap = need(values.overlapWidth());
        everyDevice([&](int d) { commands.SendDisplayLayout(d, justification, overlap); });

        if (inputs) {
            step(QStringLiteral("Kestrix 1 inputs"));
            sendInputs(*inputs, 1, 1, lastOfDevice1);
            if (device2Screens) {
                step(QStringLiteral("Kestrix 2 inputs"));
                sendInputs(*inputs, 2, 5, n);
            }
        }

        step(QStringLiteral("Kestrix 1 outputs"));
        ScreenOutputValues screens[4];
        for (int c = 0; c < 4; ++c)
            screens[c] = values.screenOutputs(1 + c);
        sendOutputs(1, screens);

        step(QStringLiteral("data doubling"));
        const int doubling = values.dataDoubling();
        everyDevice([&](int d) { commands.SendDataDoubling(d, doubling); });

        step(QStringLiteral("basic edge feathering"));
        const int basic = values.basicFeathering();
        const double gamma = need(values.basicGamma());
        everyDevice([&](int d) { commands.SendBasicFeather(d, basic, gamma); });

        // The feather mode re-reads each device's outputs and shows them, so device 2's outputs are
        // taken first: otherwise device 2 would be sent back what it already had.
        if (two)
            for (int c = 0; c < 4; ++c)
                screens[c] = values.screenOutputs(5 + c);
        step(QStringLiteral("edge feathering mode"));
        const int advanced = values.advancedMode();
        everyDevice([&](int d) { commands.SendFeatherMode(d, advanced); });

        if (two) {
            step(QStringLiteral("Kestrix 2 outputs"));
            sendOutputs(2, screens);
            values.outputsSent();
        }

        if (seams) {
            step(QStringLiteral("Kestrix 1 seams"));
            sendSeams(*seams, 1, 1, lastOfDevice1);
            if (device2Screens) {
                step(QStringLiteral("Kestrix 2 seams"));
                sendSeams(*seams, 2, 5, n);
            }
        }
    } catch (const Invalid &) {
        result = Result::InvalidValue;
    } catch (const LinkEnded &) {
        result = Result::NotSent;
    }
    // The pass is over only once the device has acknowledged its last command.
    if (!commands.FinishWrites() && result == Result::Sent) result = Result::NotSent;
    host.hideProgress();
    if (result == Result::InvalidValue) host.showMessage(invalidValueMessage());
    return result;
}

void SettingsPush::sendInputs(PushInputValues &inputs, int device, int first, int last) {
    for (int s = first; s <= last; ++s) {
        inputs.selectScreen(s);
        const int channel = ScreenChannel(s);
        if (!IsInputLocked(model, device, channel)) continue;
        commands.SendInputHPosition(device, channel, need(inputs.hPosition()));
        commands.SendInputVPosition(device, channel, need(inputs.vPosition()));
        commands.SendInputPhase(device, channel, need(inputs.phase()));
        inputs.sendColourBalance();
    }
}

// Test patterns, black levels, halos, then edge feathering. The edges between the two devices' screens
// belong to the screens beside them: device 1 sends its fourth screen's right edge, device 2 its first
// screen's left edge; the outermost halos and edges of the wall are not sent, and neither are halos
// and edges whose values the program does not hold.
void SettingsPush::sendOutputs(int device, const ScreenOutputValues (&screens)[4]) {
    for (int c = 1; c <= 4; ++c)
        commands.SendTestPattern(device, c, screens[c - 1].pattern, screens[c - 1].raster,
                                 screens[c - 1].grid);
    for (int c = 1; c <= 4; ++c)
        commands.SendBlackLevel(device, c, need(screens[c - 1].black));

    auto halo = [&](int c, char side) {
        const HaloValues &h = side == 'L' ? screens[c - 1].leftHalo : screens[c - 1].rightHalo;
        if (!h.held) return;
        const int width = need(h.width);
        commands.SendHalo(device, c, side, width, need(h.offset));
    };
    auto edge = [&](int c, char side) {
        const EdgeFeatherValues &e = side == 'L' ? screens[c - 1].leftEdge : screens[c - 1].rightEdge;
        if (!e.held) return;
        const double gamma = need(e.gamma);
        const int width = need(e.width);
        commands.SendEdgeFeather(device, c, side, e.enable, gamma, width, need(e.offset));
    };
    if (device == 1) {
        for (int c : {2, 3, 4})
            halo(c, 'L');
        for (int c : {1, 2, 3, 4})
            halo(c, 'R');
        for (int c : {1, 2, 3, 4})
            edge(c, 'R');
        for (int c : {2, 3, 4})
            edge(c, 'L');
    } else {
        for (int c : {1, 2, 3, 4})
            halo(c, 'L');
        for (int c : {1, 2, 3})
            halo(c, 'R');
        for (int c : {1, 2, 3})
            edge(c, 'R');
        for (int c : {1, 2, 3, 4})
            edge(c, 'L');
    }
}

void SettingsPush::sendSeams(PushSeamValues &seams, int device, int first, int last) {
    for (int s = first; s <= last; ++s) {
        seams.selectScreen(s);
        const int channel = ScreenChannel(s);
        if (!IsInputLocked(model, device, channel)) continue;
        seams.sendSeamGains();
        commands.SendSeamBridge(device, channel, seams.bridge());
    }
}
