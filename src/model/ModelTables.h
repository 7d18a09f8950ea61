#pragma once

#include "InputInfo.h"
#include "OutputInfo.h"
#include "SystemInfo.h"

// The program's picture of the devices, indexed [device][channel] with devices 1..2 and channels 1..4;
// row 0 and column 0 exist so that the numbers index directly. Static, all-zero at start, never freed.
// Only the user-interface thread touches them.
constexpr int kDeviceSlots = 3;
constexpr int kChannelSlots = 5;

extern InputInfo InputInfoTable[kDeviceSlots][kChannelSlots];
extern OutputInfo OutputInfoTable[kDeviceSlots][kChannelSlots];
extern SystemInfo SystemInfoTable[kDeviceSlots];
