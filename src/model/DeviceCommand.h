// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The commands the program sends to a device, by what they do. The settings catalogue names the command
// that carries each setting; the protocol layer owns their wire text (CommandTable.h): the token, how the
// arguments are written, the settle count and the acknowledgement wait.
enum class DeviceCommand {
    BlackLevel,
    FeatherModeBasic,
    FeatherModeAdvanced,
    DataDoubling,
    DisplayLayout,
    BasicFeather,
    Halo,
    FactoryReset,
    TestPattern,
    InputContrast,
    InputBrightness,
    InputPhase,
    InputHPosition,
    InputVPosition,
    InputConfigSave,
    InputConfigReset,
    ProjectorCount,
    SeamGains,
    SeamBridge,
    SystemSave,
    FeatherCurve,
    EdgeFeather,
    BridgeThreshold,
    AutoSeam,
    Count
};
