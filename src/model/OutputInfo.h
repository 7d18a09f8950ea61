// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <cstddef>

// One device output channel (one projector). The system-wide values (marked "system") are the device's
// own, one for all its channels: the model keeps them alike in the records of channels 1 to 4
// (DeviceModel), and channel 1's is the one a push sends. Like InputInfo, the configuration file stores the
// raw image, so the layout is fixed and checked below.
struct OutputInfo {
    quint8 OutputFormat;    // 0 640x480, 1 800x600, 2 1024x768, 3 1280x1024
    quint8 FrameRate;       // 0 50Hz, 1 59.94Hz, 2 75Hz
    quint8 OutputSync;      // stored and shown as a number
    quint8 AdvancedMode;    // system: 0 basic, 1 advanced edge feathering
    quint8 ProjectorGroup;  // system: 0 screens 1-4, 1 screens 5-8
    quint8 TotalProjectors; // system
    quint8 DataDoubling;    // system
    quint8 Justification;   // system: 0 left, 1 center
    qint32 OverlapWidth;    // system
    float BasicGamma;       // system
    qint16 BasicFeathering; // system
    quint8 pad18[2];
    float LeftGamma;
    qint16 LeftFeathering;
    quint8 pad26[2];
    float RightGamma;
    qint16 RightFeathering;
    quint8 pad34[2];
    qint32 LeftHaloWidth;
    qint32 LeftHaloOffset;
    qint32 RightHaloWidth;
    qint32 RightHaloOffset;
    qint32 LeftGammaWidth; // advanced feathering
    qint32 LeftGammaOffset;
    qint32 RightGammaWidth;
    qint32 RightGammaOffset;
    quint8 BlackLevel;
    quint8 TestPattern; // index into the test pattern list, 0..10
    quint8 OutputRaster;
    quint8 TestGrid;
    qint32 SeamStart;       // position of the first manual gain relative to the seam
    quint8 SeamGain[8];     // gains at -4..-1, +1..+4
    quint8 SeamBridge;      // 0 off, 1 on
    quint8 FeatherMode;     // system: 'S' S-curve, 'L' linear
    quint8 BridgeThreshold; // system
    // Which of the values that only one status record form carries this record holds (OutputHeld
    // below). It lives in what was the record's last padding byte, so it travels with the configuration
    // file and files written without it read as "all held".
    quint8 Held;
};

// Bits of OutputInfo::Held. The short output record carries the halos, the long one the advanced
// feathering widths and offsets; a read leaves the other group as it was. A group is held once it was
// read, sent (the user set it) or loaded from a file that held it. Before the first read marks the record
// as Tracked (and in older files) every group counts as held, as the record was always taken to be.
namespace OutputHeld {
constexpr quint8 LeftHalo = 0x01;
constexpr quint8 RightHalo = 0x02;
constexpr quint8 LeftFeather = 0x04; // LeftGammaWidth and LeftGammaOffset
constexpr quint8 RightFeather = 0x08;
constexpr quint8 Tracked = 0x80;

inline bool holds(const OutputInfo &out, quint8 group) {
    return (out.Held & Tracked) == 0 || (out.Held & group) == group;
}
inline quint8 halo(char side) {
    return side == 'L' ? LeftHalo : RightHalo;
}
inline quint8 feather(char side) {
    return side == 'L' ? LeftFeather : RightFeather;
}
} // namespace OutputHeld

static_assert(sizeof(OutputInfo) == 88);
static_assert(offsetof(OutputInfo, OutputFormat) == 0);
static_assert(offsetof(OutputInfo, FrameRate) == 1);
static_assert(offsetof(OutputInfo, OutputSync) == 2);
static_assert(offsetof(OutputInfo, AdvancedMode) == 3);
static_assert(offsetof(OutputInfo, ProjectorGroup) == 4);
static_assert(offsetof(OutputInfo, TotalProjectors) == 5);
static_assert(offsetof(OutputInfo, DataDoubling) == 6);
static_assert(offsetof(OutputInfo, Justification) == 7);
static_assert(offsetof(OutputInfo, OverlapWidth) == 8);
static_assert(offsetof(OutputInfo, BasicGamma) == 12);
static_assert(offsetof(OutputInfo, BasicFeathering) == 16);
static_assert(offsetof(OutputInfo, LeftGamma) == 20);
static_assert(offsetof(OutputInfo, LeftFeathering) == 24);
static_assert(offsetof(OutputInfo, RightGamma) == 28);
static_assert(offsetof(OutputInfo, RightFeathering) == 32);
static_assert(offsetof(OutputInfo, LeftHaloWidth) == 36);
static_assert(offsetof(OutputInfo, LeftHaloOffset) == 40);
static_assert(offsetof(OutputInfo, RightHaloWidth) == 44);
static_assert(offsetof(OutputInfo, RightHaloOffset) == 48);
static_assert(offsetof(OutputInfo, LeftGammaWidth) == 52);
static_assert(offsetof(OutputInfo, LeftGammaOffset) == 56);
static_assert(offsetof(OutputInfo, RightGammaWidth) == 60);
static_assert(offsetof(OutputInfo, RightGammaOffset) == 64);
static_assert(offsetof(OutputInfo, BlackLevel) == 68);
static_assert(offsetof(OutputInfo, TestPattern) == 69);
static_assert(offsetof(OutputInfo, OutputRaster) == 70);
static_assert(offsetof(OutputInfo, TestGrid) == 71);
static_assert(offsetof(OutputInfo, SeamStart) == 72);
static_assert(offsetof(OutputInfo, SeamGain) == 76);
static_assert(offsetof(OutputInfo, SeamBridge) == 84);
static_assert(offsetof(OutputInfo, FeatherMode) == 85);
static_assert(offsetof(OutputInfo, BridgeThreshold) == 86);
static_assert(offsetof(OutputInfo, Held) == 87);
