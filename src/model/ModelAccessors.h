// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputInfo.h"
#include "WindowState.h"

class DeviceModel;

// Device 1..2 and channel 1..4: the only places the program addresses. Anything else (row and column 0
// included) is refused by the builders, the queries and the accessors below.
bool IsAddressable(int device, int channel = 1);

// Screen s (1..8) is device 1 channel s up to 4, device 2 channel s - 4 from 5 on.
int ScreenDevice(int screen);
int ScreenChannel(int screen);

// The size of one projector's share of the source: what device 1's first input measures, or the
// default the output format suggests while it measures nothing.
int SourceWidth(const DeviceModel &model);
int SourceHeight(const DeviceModel &model);

// False for an address outside the tables.
bool IsInputLocked(const DeviceModel &model, int device, int channel);

// The bounds a channel's input position must keep: at most SettingRanges::HPositionReach pixels and
// VPositionReach lines either side of the centre the device reports, and always short of its limit.
struct PositionBounds {
    qint32 hMin, hMax, vMin, vMax;
};
PositionBounds positionBounds(const InputInfo &record);

// The positions the device itself allows a channel, which a configuration file may hold and a push may
// send: from 0 up to just short of the limit the device reports (for H without one, the same limit as
// positionBounds takes from the active and total sizes). They are never narrower than positionBounds,
// so that whatever the page can set, or a device can report within its own limits, can be saved,
// opened again and pushed.
PositionBounds devicePositionLimits(const InputInfo &record);

// The bounds the Source Setup page enforces on the position of the channel it shows (positionBounds).
void UpdatePositionBounds(DeviceModel &model, int device, int channel);

// Default source size from device 1's first output format; unknown formats leave it unchanged.
void UpdateDefaultSourceSize(DeviceModel &model);
