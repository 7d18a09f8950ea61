// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlanningMath.h"

#include <QString>

// The whole planning calculation in one call, for a tool without the Planning page: the screen size and
// projector resolution in; the aspect ratio, projector and device counts, overlap, image size, slices
// and content notes out, as the page shows them after "Calculate" (and, when a projector count is
// given, after choosing that count by hand). Nothing is read from or sent to the devices.
namespace planning {

struct WallPlanRequest {
    double screenWidth = 30;
    double screenHeight = 10;
    int projectorResH = 1280;
    int projectorResV = 1024;
    int projectors = 0; // 0: the count the calculation needs; 1..8: chosen by hand afterwards
    bool centred = true;
};

struct WallPlan {
    enum class Outcome {
        Planned,
        BadScreenSize,
        BadResolution,
        BadProjectorCount,
        TooManyProjectors,
        CentredEight
    };
    Outcome outcome = Outcome::Planned;
    QString message; // the reason for any outcome but Planned

    int neededProjectors = 0; // what the screen size needs, before any choice by hand
    int projectors = 0;
    int devices = 0;
    double aspect = 0;
    double screenWidth = 0; // the overlap's corrections widen or narrow the screen for the new image
    double screenHeight = 0;
    double imageWidth = 0;
    double imageHeight = 0;
    int overlap = 0;
    int maxOverlapWidth = 0;
    bool imageWidthChanged = false; // the 64-pixel minimum or the upper bound changed the image width
    SliceLayout slices;
    QString notes; // lines ending in CR LF

    bool ok() const { return outcome == Outcome::Planned; }
    QString aspectText() const { return formatGeneral(aspect, 3); }
    QString screenWidthText() const { return formatGeneral(screenWidth, 5); }
};

// The three projector resolutions the planning knows, as "800x600", "1024x768", "1280x1024".
bool isPlannableResolution(int width, int height);

WallPlan planWall(const WallPlanRequest &request);

} // namespace planning
