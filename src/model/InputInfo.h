// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <cstddef>

// One device input channel as the device reports it and as the configuration file stores it. The file
// holds the raw memory image, so the layout below (natural alignment, padding included) is a file format
// and is pinned by the static_asserts underneath.
struct InputInfo {
    quint8 VideoLoaded; // 1 = video present at this input, anything else = none
    quint8 VideoLocked; // 1 = locked; the input controls of an unlocked channel stay disabled
    quint8 pad2[2];
    qint32 PhaseOffset;
    quint8 InputAux1; // stored only; the device does not say what it means
    quint8 InputAux2;
    quint8 pad10[2];
    qint32 HTotal;
    qint32 HPositionCenter;
    qint32 HPosition;
    qint32 VPositionCenter;
    qint32 VPosition;
    qint32 HActive;
    qint32 VActive;
    quint8 SyncSelect;    // 0 SOG, 1 COMP, 2 H/V, 3 AUTO
    quint8 Termination75; // non-zero 75 Ohm, 0 HI-Z
    quint8 pad42[2];
    float OverallContrast; // percent
    float OverallBrightness;
    float RedContrast; // offsets around the overall values
    float RedBrightness;
    float GreenContrast;
    float GreenBrightness;
    float BlueContrast;
    float BlueBrightness;
    qint32 HPositionLimit; // exclusive upper bound reported by the device, -1 = not reported
    qint32 VPositionLimit;
};

static_assert(sizeof(float) == 4, "records store IEEE single floats");
static_assert(sizeof(InputInfo) == 84);
static_assert(offsetof(InputInfo, VideoLoaded) == 0);
static_assert(offsetof(InputInfo, VideoLocked) == 1);
static_assert(offsetof(InputInfo, PhaseOffset) == 4);
static_assert(offsetof(InputInfo, InputAux1) == 8);
static_assert(offsetof(InputInfo, InputAux2) == 9);
static_assert(offsetof(InputInfo, HTotal) == 12);
static_assert(offsetof(InputInfo, HPositionCenter) == 16);
static_assert(offsetof(InputInfo, HPosition) == 20);
static_assert(offsetof(InputInfo, VPositionCenter) == 24);
static_assert(offsetof(InputInfo, VPosition) == 28);
static_assert(offsetof(InputInfo, HActive) == 32);
static_assert(offsetof(InputInfo, VActive) == 36);
static_assert(offsetof(InputInfo, SyncSelect) == 40);
static_assert(offsetof(InputInfo, Termination75) == 41);
static_assert(offsetof(InputInfo, OverallContrast) == 44);
static_assert(offsetof(InputInfo, OverallBrightness) == 48);
static_assert(offsetof(InputInfo, RedContrast) == 52);
static_assert(offsetof(InputInfo, RedBrightness) == 56);
static_assert(offsetof(InputInfo, GreenContrast) == 60);
static_assert(offsetof(InputInfo, GreenBrightness) == 64);
static_assert(offsetof(InputInfo, BlueContrast) == 68);
static_assert(offsetof(InputInfo, BlueBrightness) == 72);
static_assert(offsetof(InputInfo, HPositionLimit) == 76);
static_assert(offsetof(InputInfo, VPositionLimit) == 80);
