// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelPushValues.h"

#include "CommandSet.h"
#include "Host.h"
#include "ModelAccessors.h"
#include "ModelFields.h"
#include "SettingRanges.h"

#include <array>
#include <cmath>
#include <cstring>

namespace {

// The test pattern list holds the patterns of the table; a code beyond it leaves the list without a
// selection (-1), and that is what would go out (a checked configuration holds none).
constexpr int kLastTestPattern = int(SettingRanges::TestPattern.upper);

// A gamma as the page shows it: rounded to the digits its field shows.
DecimalValue gamma(float value) {
    if (!std::isfinite(value)) return std::nullopt; // the field would show text that does not convert
    return SettingRanges::EdgeGamma.shown(value);
}

// An output record without a value of its channel's own was never read, loaded or set: it holds none of
// its halos and edges.
bool holds(const OutputInfo &out, quint8 group) {
    return !holdsNoChannelValues(out) && OutputHeld::holds(out, group);
}

struct ColourValue {
    const char *field; // the record member's name
    float InputInfo::*value;
    char colour;
    bool contrast;
    bool overall;
};

// In the order the page's fields send them.
const ColourValue kColourValues[] = {
    {"OverallContrast", &InputInfo::OverallContrast, 'C', true, true},
    {"OverallBrightness", &InputInfo::OverallBrightness, 'C', false, true},
    {"RedContrast", &InputInfo::RedContrast, 'R', true, false},
    {"RedBrightness", &InputInfo::RedBrightness, 'R', false, false},
    {"GreenContrast", &InputInfo::GreenContrast, 'G', true, false},
    {"GreenBrightness", &InputInfo::GreenBrightness, 'G', false, false},
    {"BlueContrast", &InputInfo::BlueContrast, 'B', true, false},
    {"BlueBrightness", &InputInfo::BlueBrightness, 'B', false, false},
};

} // namespace

ModelPushValues::ModelPushValues(const DeviceModel &model, CommandSet &commands, Host &host)
    : commands(commands), host(host) {
    for (int d = 0; d < kDeviceSlots; ++d)
        for (int c = 0; c < kChannelSlots; ++c) {
            inputs[d][c] = model.input(d, c);
            outputs[d][c] = model.output(d, c);
        }
}

const InputInfo &ModelPushValues::input() const {
    return inputs[ScreenDevice(screen)][ScreenChannel(screen)];
}

const OutputInfo &ModelPushValues::output() const {
    return outputs[ScreenDevice(screen)][ScreenChannel(screen)];
}

int ModelPushValues::projectorCount() {
    return outputs[1][1].TotalProjectors;
}

int ModelPushValues::justification() {
    return outputs[1][1].Justification;
}

FieldValue ModelPushValues::overlapWidth() {
    return outputs[1][1].OverlapWidth;
}

ScreenOutputValues ModelPushValues::screenOutputs(int s) {
    ScreenOutputValues v;
    if (s < 1 || s > 8) return v;
    const OutputInfo &out = outputs[ScreenDevice(s)][ScreenChannel(s)];
    v.pattern = out.TestPattern <= kLastTestPattern ? out.TestPattern : -1;
    v.raster = out.OutputRaster != 0 ? 1 : 0;
    v.grid = out.TestGrid != 0 ? 1 : 0;
    v.black = out.BlackLevel;
    v.leftHalo = {out.LeftHaloWidth, out.LeftHaloOffset, holds(out, OutputHeld::LeftHalo)};
    v.rightHalo = {out.RightHaloWidth, out.RightHaloOffset, holds(out, OutputHeld::RightHalo)};
    v.leftEdge = {out.LeftFeathering != 0 ? 1 : 0, gamma(out.LeftGamma), out.LeftGammaWidth,
                  out.LeftGammaOffset, holds(out, OutputHeld::LeftFeather)};
    v.rightEdge = {out.RightFeathering != 0 ? 1 : 0, gamma(out.RightGamma), out.RightGammaWidth,
                   out.RightGammaOffset, holds(out, OutputHeld::RightFeather)};
    return v;
}

int ModelPushValues::dataDoubling() {
    return outputs[1][1].DataDoubling != 0 ? 1 : 0;
}

int ModelPushValues::basicFeathering() {
    return outputs[1][1].BasicFeathering != 0 ? 1 : 0;
}

DecimalValue ModelPushValues::basicGamma() {
    return gamma(outputs[1][1].BasicGamma);
}

int ModelPushValues::advancedMode() {
    return outputs[1][1].AdvancedMode != 0 ? 1 : 0;
}

void ModelPushValues::selectScreen(int s) {
    if (s >= 1 && s <= 8) screen = s;
}

FieldValue ModelPushValues::hPosition() {
    return input().HPosition;
}

FieldValue ModelPushValues::vPosition() {
    return input().VPosition;
}

FieldValue ModelPushValues::phase() {
    return input().PhaseOffset;
}

QString ModelPushValues::outOfRangeMessage(int device, int channel, const char *field, float value,
                                           double lower, double upper) {
    return QStringLiteral("Error! Value out of bounds! Kestrix %1 channel %2 %3 is %4, outside %5 - %6. "
                          "It was not sent.")
        .arg(device)
        .arg(channel)
        .arg(QLatin1StringView(field))
        .arg(ModelFields::floatText(value))
        .arg(lower)
        .arg(upper);
}

void ModelPushValues::sendColourBalance() {
    sendColourValues([](const QString &) { return true; });
}

void ModelPushValues::sendColourValues(const std::function<bool(const QString &field)> &only) {
    const int device = ScreenDevice(screen), channel = ScreenChannel(screen);
    const InputInfo &in = input();
    for (const ColourValue &c : kColourValues) {
        if (!only(QLatin1String(c.field))) continue;
        const SettingRanges::Range &range =
            c.overall ? SettingRanges::OverallLevel : SettingRanges::ColourLevel;
        const float stored = in.*c.value;
        if (!range.contains(stored)) {
            host.showMessage(outOfRangeMessage(device, channel, c.field, stored, range.lower, range.upper));
            continue;
        }
        const double value = range.shown(stored);
        if (c.contrast)
            commands.SendInputContrast(device, channel, c.colour, value);
        else
            commands.SendInputBrightness(device, channel, c.colour, value);
    }
}

// The gains are bytes, so every stored gain is inside the field's range (0..255): nothing to refuse.
void ModelPushValues::sendSeamGains() {
    const OutputInfo &out = output();
    std::array<int, 8> gains{};
    for (int g = 0; g < 8; ++g)
        gains[g] = out.SeamGain[g];
    commands.SendSeamGains(ScreenDevice(screen), ScreenChannel(screen), SettingRanges::FirstSeamGainPosition,
                           gains);
}

int ModelPushValues::bridge() {
    return output().SeamBridge != 0 ? 1 : 0;
}
