// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelAccessors.h"

#include "DeviceModel.h"
#include "SettingCatalogue.h"
#include "SettingRanges.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {
// Bounds are worked out in 64 bits: a record from a file or a noisy line may hold any 32-bit value, and
// centre + 128 or total - active must not wrap.
qint32 clampToInt32(qint64 v) {
    return qint32(std::clamp<qint64>(v, INT32_MIN, INT32_MAX));
}
} // namespace

bool IsAddressable(int device, int channel) {
    return device >= 1 && device <= 2 && channel >= 1 && channel <= 4;
}

int ScreenDevice(int screen) {
    return screen <= 4 ? 1 : 2;
}

int ScreenChannel(int screen) {
    return screen <= 4 ? screen : screen - 4;
}

int SourceWidth(const DeviceModel &model) {
    const qint32 active = model.input(1, 1).HActive;
    return active != 0 ? active : model.state().DefaultSourceWidth;
}

int SourceHeight(const DeviceModel &model) {
    const qint32 active = model.input(1, 1).VActive;
    return active != 0 ? active : model.state().DefaultSourceHeight;
}

bool IsInputLocked(const DeviceModel &model, int device, int channel) {
    return IsAddressable(device, channel) && model.input(device, channel).VideoLocked == 1;
}

PositionBounds positionBounds(const InputInfo &r) {
    using SettingRanges::HPositionReach;
    using SettingRanges::VPositionReach;
    PositionBounds b{};
    const qint64 hMax = qint64(r.HPositionCenter) + HPositionReach;
    const qint64 hLimit = r.HPositionLimit != -1 ? r.HPositionLimit : qint64(r.HTotal) - r.HActive - 2;
    b.hMax = clampToInt32(hLimit <= hMax ? hLimit - 1 : hMax);
    b.hMin = clampToInt32(qint64(r.HPositionCenter) - HPositionReach);

    const qint64 vMax = qint64(r.VPositionCenter) + VPositionReach;
    const bool vLimited = r.VPositionLimit != -1 && r.VPositionLimit <= vMax;
    b.vMax = clampToInt32(vLimited ? qint64(r.VPositionLimit) - 1 : vMax);
    b.vMin = clampToInt32(qint64(r.VPositionCenter) - VPositionReach);
    return b;
}

PositionBounds devicePositionLimits(const InputInfo &r) {
    const PositionBounds reach = positionBounds(r);
    const qint64 hLimit = r.HPositionLimit != -1 ? r.HPositionLimit : qint64(r.HTotal) - r.HActive - 2;
    PositionBounds b{};
    b.hMin = std::min<qint32>(0, reach.hMin);
    b.hMax = std::max(reach.hMax, clampToInt32(hLimit - 1));
    b.vMin = std::min<qint32>(0, reach.vMin);
    b.vMax = r.VPositionLimit != -1 ? std::max(reach.vMax, clampToInt32(qint64(r.VPositionLimit) - 1))
                                    : reach.vMax;
    return b;
}

void UpdatePositionBounds(DeviceModel &model, int device, int channel) {
    if (!IsAddressable(device, channel)) return;
    const PositionBounds b = positionBounds(model.input(device, channel));
    WindowState &state = model.state();
    state.HPositionMin = b.hMin;
    state.HPositionMax = b.hMax;
    state.VPositionMin = b.vMin;
    state.VPositionMax = b.vMax;
}

void UpdateDefaultSourceSize(DeviceModel &model) {
    WindowState &state = model.state();
    if (const SettingCatalogue::Resolution *format =
            SettingCatalogue::outputFormat(model.output(1, 1).OutputFormat)) {
        state.DefaultSourceWidth = format->width;
        state.DefaultSourceHeight = format->height;
    }
}
