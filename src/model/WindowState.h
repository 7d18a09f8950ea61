// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// The main window's planning and editing state, kept in one place so that the pages, the planning
// calculator and the protocol share one vocabulary. Not saved to the configuration file.
struct PlacementRect {
    qint32 left;
    qint32 top;
    qint32 right;
    qint32 bottom;
};

struct WindowState {
    PlacementRect PlacementRects[8] = {};
    bool Refreshing = false; // controls are being filled from the model: handlers send nothing
    double ProjectorResH = 1280;
    double ProjectorResV = 1024;
    double ImageWidth = 0;
    double ImageHeight = 0;
    double ScreenWidth = 30;
    double ScreenHeight = 10;
    double AspectRatio = 1.0;
    double OverlapPixels = 0;
    double OverlapEditValue = 0;
    double ProjectorCount = 0;
    QString MessageText;
    qint32 CommandBusy = 0; // re-entrancy guard of the handlers that talk to the devices
    qint32 HPositionMin = 0;
    qint32 HPositionMax = 0;
    qint32 VPositionMin = 0;
    qint32 VPositionMax = 0;
    qint32 DefaultSourceWidth = 1280;
    qint32 DefaultSourceHeight = 1024;
    // The largest overlap the overlap width fields accept (half the projector width); the feather width
    // fields share it as their upper limit. Set by the planning calculation.
    qint32 MaxOverlapWidth = 640;

    // Where the model's contents came from; set once, never reset.
    int ModelFromDevices = 0;
    int ModelFromFile = 0;

    // Kestrix devices in use (1 direct, the Controller's count otherwise) and the RS-485 IDs of devices
    // 1 and 2, taken from the Controller's count when it gives them; index 0 is unused.
    int DeviceCount = 1;
    int DeviceIds[3] = {0, 1, 2};

    // The projector frames of the placement drawing: 110 pixels apart, as drawn when the window is
    // first shown.
    void resetPlacementRects();
};
