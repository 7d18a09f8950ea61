// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <array>

// The state of one simulated Kestrix, in the device's own terms: what its commands change and what
// its status records report. Colour values are kept in tenths, the way the device reports them.

struct SimInputChannel {
    quint8 videoLoaded = 1;
    quint8 videoLocked = 1;
    qint32 phaseOffset = 0;
    quint8 aux1 = 0x20;
    quint8 aux2 = 0x30;
    qint32 hTotal = 1344;
    qint32 hPositionCenter = 296;
    qint32 hPosition = 296;
    qint32 vPositionCenter = 35;
    qint32 vPosition = 35;
    qint32 hActive = 1024;
    qint32 vActive = 768;
    quint8 syncSelect = 3;
    quint8 termination75 = 1;
    // Overall, red, green, blue, in tenths of a percent (overall 1000 = 100.0 %, colours are offsets).
    std::array<qint32, 4> contrast{1000, 0, 0, 0};
    std::array<qint32, 4> brightness{1000, 0, 0, 0};
    qint32 hPositionLimit = 600;
    qint32 vPositionLimit = 70;
};

struct SimOutputChannel {
    quint8 outputFormat = 2;
    quint8 frameRate = 1;
    quint8 outputSync = 0;
    quint8 advancedMode = 0;
    quint8 projectorGroup = 0;
    quint8 totalProjectors = 4;
    quint8 dataDoubling = 0;
    quint8 justification = 0;
    qint32 overlapWidth = 256;
    qint32 basicGamma = 22; // tenths
    quint16 basicFeathering = 1;
    qint32 leftGamma = 22;
    quint16 leftFeathering = 0;
    qint32 rightGamma = 22;
    quint16 rightFeathering = 0;
    qint32 leftGammaWidth = 0;
    qint32 leftGammaOffset = 0;
    qint32 rightGammaWidth = 0;
    qint32 rightGammaOffset = 0;
    qint32 leftHaloWidth = 0;
    qint32 leftHaloOffset = 0;
    qint32 rightHaloWidth = 0;
    qint32 rightHaloOffset = 0;
    quint8 blackLevel = 0;
    quint8 testPattern = 0;
    quint8 outputRaster = 0;
    quint8 testGrid = 0;
    qint32 seamStart = -4;
    std::array<quint8, 8> seamGain{};
    quint8 seamBridge = 0;
    quint8 featherMode = 'S';
    quint8 bridgeThreshold = 16;
};

struct SimDevice {
    // System record payload bytes 0-1 (not interpreted by anyone) and the version text (bytes 2-6).
    quint8 system0 = 0x02;
    quint8 system1 = 0x00;
    std::array<char, 5> version{'2', '.', '1', '7', 'a'};

    // Channels 1 to 4 at indices 0 to 3.
    std::array<SimInputChannel, 4> inputs{};
    std::array<SimOutputChannel, 4> outputs{};

    // Which record format this device answers with, per record kind. Input: 'F' short (70 payload
    // bytes), 'N' long (78). Output: 0x3E, 0x3F, 0x40 short (64), 0x42 long (65). Any other byte is
    // sent as given (with the short payload) so that the program's rejection can be tested.
    quint8 systemFormat = 0x08;
    quint8 inputFormat = 'N';
    quint8 outputFormat = 0x42;

    // Counters of the commands that change nothing the records show.
    int inputSaves = 0;
    int systemSaves = 0;
    int factoryResets = 0;
    int autoColorBalances = 0;
    int autoPositions = 0;
    int autoPhases = 0;
    int autoSeams = 0;
    int polls = 0;
};
