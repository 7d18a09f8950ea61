// SPDX-License-Identifier: GPL-3.0-or-later
#include "DifferencePush.h"

#include "CommandSet.h"
#include "DeviceModel.h"
#include "Host.h"
#include "ModelAccessors.h"
#include "ModelPushValues.h"
#include "SettingRanges.h"
#include "SettingsPush.h"

#include <algorithm>
#include <array>

namespace {

struct Invalid {};
struct LinkEnded {};

QString key(int device, int channel, const QString &field) {
    return QStringLiteral("%1/%2/%3").arg(device).arg(channel).arg(field);
}

template <typename T> T need(const std::optional<T> &value) {
    if (!value) throw Invalid{};
    return *value;
}

} // namespace

DifferencePush::DifferencePush(CommandSet &commands, const DeviceModel &model, Host &host,
                               std::function<bool()> linkActive)
    : commands(commands), host(host), linkActive(std::move(linkActive)),
      values(std::make_unique<ModelPushValues>(model, commands, host)) {}

DifferencePush::~DifferencePush() = default;

bool DifferencePush::wanted(int device, int channel, std::initializer_list<const char *> fields) const {
    return std::any_of(fields.begin(), fields.end(), [&](const char *field) {
        return keys.contains(key(device, channel, QLatin1String(field)));
    });
}

// Before each command: a link that ended (a command the user stopped resending) ends the pass.
void DifferencePush::go() {
    if (!linkActive()) throw LinkEnded{};
    ++sent;
}

DifferencePush::Result DifferencePush::send(const QList<Difference> &rows) {
    keys.clear();
    sent = 0;
    int devices = 0;
    for (const Difference &d : rows) {
        if (d.notReported) continue;
        keys.insert(key(d.device, d.channel, d.field));
        devices = std::max(devices, d.device);
    }
    if (keys.isEmpty() || !linkActive()) return Result::NotSent;

    Result result = Result::Sent;
    host.showProgress(QStringLiteral("Sending the differing settings to Kestrix(s). Please wait...."));
    host.setProgressSuffix(QString());
    try {
        // The order of Send Current Settings: layout, inputs, device 1's outputs, the system settings,
        // device 2's outputs, seams.
        for (int d = 1; d <= devices; ++d)
            if (wanted(d, 1, {"TotalProjectors"})) {
                go();
                commands.SendProjectorCount(d, std::clamp(values->projectorCount(), 1, 8));
            }
        for (int d = 1; d <= devices; ++d)
            if (wanted(d, 1, {"Justification", "OverlapWidth"})) {
                go();
                commands.SendDisplayLayout(d, values->justification(), need(values->overlapWidth()));
            }
        for (int d = 1; d <= devices; ++d)
            sendInputs(d);
        sendOutputs(1);
        for (int d = 1; d <= devices; ++d)
            if (wanted(d, 1, {"DataDoubling"})) {
                go();
                commands.SendDataDoubling(d, values->dataDoubling());
            }
        for (int d = 1; d <= devices; ++d)
            if (wanted(d, 1, {"BasicFeathering", "BasicGamma"})) {
                go();
                commands.SendBasicFeather(d, values->basicFeathering(), need(values->basicGamma()));
            }
        for (int d = 1; d <= devices; ++d)
            if (wanted(d, 1, {"AdvancedMode"})) {
                go();
                commands.SendFeatherMode(d, values->advancedMode());
            }
        if (devices > 1) sendOutputs(2);
        for (int d = 1; d <= devices; ++d)
            sendSeams(d);
    } catch (const Invalid &) {
        result = Result::InvalidValue;
    } catch (const LinkEnded &) {
        result = Result::NotSent;
    }
    // The pass is over only once the device has acknowledged its last command.
    if (!commands.FinishWrites() && result == Result::Sent) result = Result::NotSent;
    host.hideProgress();
    if (result == Result::InvalidValue) host.showMessage(SettingsPush::invalidValueMessage());
    return result;
}

void DifferencePush::sendInputs(int device) {
    for (int c = 1; c <= 4; ++c) {
        values->selectScreen((device - 1) * 4 + c);
        if (wanted(device, c, {"HPosition"})) {
            go();
            commands.SendInputHPosition(device, c, need(values->hPosition()));
        }
        if (wanted(device, c, {"VPosition"})) {
            go();
            commands.SendInputVPosition(device, c, need(values->vPosition()));
        }
        if (wanted(device, c, {"PhaseOffset"})) {
            go();
            commands.SendInputPhase(device, c, need(values->phase()));
        }
        values->sendColourValues([&](const QString &field) {
            if (!keys.contains(key(device, c, field))) return false;
            go();
            return true;
        });
    }
}

// Test patterns, black levels, halos, then edges, as the push sends them; the wall's outermost halos and
// edges never appear among the rows.
void DifferencePush::sendOutputs(int device) {
    ScreenOutputValues screens[4];
    for (int c = 1; c <= 4; ++c)
        screens[c - 1] = values->screenOutputs((device - 1) * 4 + c);
    for (int c = 1; c <= 4; ++c)
        if (wanted(device, c, {"TestPattern", "OutputRaster", "TestGrid"})) {
            const ScreenOutputValues &s = screens[c - 1];
            go();
            commands.SendTestPattern(device, c, s.pattern, s.raster, s.grid);
        }
    for (int c = 1; c <= 4; ++c)
        if (wanted(device, c, {"BlackLevel"})) {
            go();
            commands.SendBlackLevel(device, c, need(screens[c - 1].black));
        }
    for (char side : {'L', 'R'})
        for (int c = 1; c <= 4; ++c) {
            const bool left = side == 'L';
            if (!wanted(
                    device, c,
                    {left ? "LeftHaloWidth" : "RightHaloWidth", left ? "LeftHaloOffset" : "RightHaloOffset"}))
                continue;
            const HaloValues &h = left ? screens[c - 1].leftHalo : screens[c - 1].rightHalo;
            go();
            commands.SendHalo(device, c, side, need(h.width), need(h.offset));
        }
    for (char side : {'R', 'L'})
        for (int c = 1; c <= 4; ++c) {
            const bool left = side == 'L';
            if (!wanted(device, c,
                        {left ? "LeftFeathering" : "RightFeathering", left ? "LeftGamma" : "RightGamma",
                         left ? "LeftGammaWidth" : "RightGammaWidth",
                         left ? "LeftGammaOffset" : "RightGammaOffset"}))
                continue;
            const EdgeFeatherValues &e = left ? screens[c - 1].leftEdge : screens[c - 1].rightEdge;
            go();
            commands.SendEdgeFeather(device, c, side, e.enable, need(e.gamma), need(e.width), need(e.offset));
        }
}

void DifferencePush::sendSeams(int device) {
    for (int c = 1; c <= 4; ++c) {
        values->selectScreen((device - 1) * 4 + c);
        if (wanted(device, c,
                   {"SeamGain1", "SeamGain2", "SeamGain3", "SeamGain4", "SeamGain5", "SeamGain6", "SeamGain7",
                    "SeamGain8"})) {
            go();
            values->sendSeamGains();
        }
        if (wanted(device, c, {"SeamBridge"})) {
            go();
            commands.SendSeamBridge(device, c, values->bridge());
        }
    }
}
