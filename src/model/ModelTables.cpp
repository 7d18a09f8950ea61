#include "ModelTables.h"

InputInfo InputInfoTable[kDeviceSlots][kChannelSlots] = {};
OutputInfo OutputInfoTable[kDeviceSlots][kChannelSlots] = {};
SystemInfo SystemInfoTable[kDeviceSlots] = {};
