// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlanningMath.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

#include <array>

// The two pictures of the planned wall: the projector frames in the legend colours and the placement
// scale of the screen with one dashed marker per projector centre. Both are drawn whole on every call.
class PlanningDrawing {
public:
    static constexpr int kFramesWidth = 905;
    static constexpr int kFramesHeight = 110;
    static constexpr int kPlacementWidth = 477;
    static constexpr int kPlacementHeight = 128;

    // Projector k's colour, shared by the legend and the frames.
    static const std::array<QColor, planning::kMaxProjectors> &projectorColours();
    static QColor background() { return QColor(192, 192, 192); }

    struct Wall {
        int projectors = 0;       // n; nothing is drawn for a count outside 1..8
        int overlapEdit = 0;      // the overlap field, for the frames
        double projectorResH = 0; // W
        double overlapPixels = 0; // the planned overlap, for the centres
        double imageWidth = 0;
        double screenWidth = 0;
        QString screenWidthText; // the right end of the scale, as the screen size field shows it
    };

    // Frames of projectors 1..n, neighbours overlapping; `placed` receives their rectangles.
    static QImage drawFrames(const Wall &wall, QList<planning::FrameRect> *placed = nullptr);
    static QImage drawPlacement(const Wall &wall);
};
