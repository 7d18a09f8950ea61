// SPDX-License-Identifier: GPL-3.0-or-later
#include "WallPlan.h"

#include <cmath>

namespace planning {

namespace {

QString tooManyText() {
    return QStringLiteral("Error! Minimum # of screen calculated is greater than %1. Please enter valid "
                          "Horizontal/Vertical Output Size and Projector Resolution.")
        .arg(kMaxProjectors);
}

QString centredEightText() {
    return QStringLiteral("Error! Maximum number of projectors for center justified image is 7");
}

// The running state of one calculation, stepped as the page steps it.
struct Calculation {
    const WallPlanRequest &request;
    WallPlan plan;
    double overlapPixels = 0;

    double w() const { return request.projectorResH; }

    void recomputeAspect() {
        const AspectFromImage result = aspectFromImage(plan.imageWidth, plan.imageHeight, plan.screenHeight);
        if (!std::isfinite(result.aspect)) return;
        plan.aspect = result.aspect;
        plan.screenWidth = result.screenWidth;
    }

    void computeOverlap(int n) {
        const OverlapPlan o = planOverlap(n, w(), plan.imageWidth, overlapUpperBound(n, w(), false, 0));
        overlapPixels = o.overlap;
        if (o.imageWidthChanged) {
            plan.imageWidth = o.imageWidth;
            plan.imageWidthChanged = true;
            recomputeAspect();
        }
        plan.overlap = int(std::trunc(overlapPixels));
        plan.maxOverlapWidth = o.maxOverlapWidth;
    }

    void computeSlices(int n) {
        plan.slices = screenOffsets(n, w(), plan.overlap, request.centred);
        if (std::isfinite(plan.slices.imageWidth)) plan.imageWidth = plan.slices.imageWidth;
    }

    // Choosing n projectors: refused for eight centred ones; otherwise the overlap and the slices.
    bool choose(int n) {
        if (n == kMaxProjectors && request.centred) {
            plan.outcome = WallPlan::Outcome::CentredEight;
            plan.message = centredEightText();
            return false;
        }
        plan.projectors = n;
        computeOverlap(n);
        computeSlices(n);
        return true;
    }
};

} // namespace

bool isPlannableResolution(int width, int height) {
    return (width == 800 && height == 600) || (width == 1024 && height == 768) ||
           (width == 1280 && height == 1024);
}

WallPlan planWall(const WallPlanRequest &request) {
    Calculation calc{request, {}};
    WallPlan &plan = calc.plan;
    if (!(std::isfinite(request.screenWidth) && request.screenWidth > 0 &&
          std::isfinite(request.screenHeight) && request.screenHeight > 0)) {
        plan.outcome = WallPlan::Outcome::BadScreenSize;
        plan.message = QStringLiteral("Error! The output screen size must be two numbers greater than 0.");
        return plan;
    }
    if (!isPlannableResolution(request.projectorResH, request.projectorResV)) {
        plan.outcome = WallPlan::Outcome::BadResolution;
        plan.message =
            QStringLiteral("Error! The projector resolution must be 800x600, 1024x768 or 1280x1024.");
        return plan;
    }
    if (request.projectors != 0 && !isValidProjectorCount(request.projectors)) {
        plan.outcome = WallPlan::Outcome::BadProjectorCount;
        plan.message = QStringLiteral("Error! The number of projectors must be 1 to %1.").arg(kMaxProjectors);
        return plan;
    }

    plan.screenWidth = request.screenWidth;
    plan.screenHeight = request.screenHeight;
    plan.aspect = request.screenWidth / request.screenHeight;
    const ImageSize size = imageSize(request.projectorResV, plan.aspect);
    plan.imageWidth = size.width;
    plan.imageHeight = size.height;

    const int needed = projectorCount(request.projectorResH, request.projectorResV, plan.aspect);
    plan.neededProjectors = needed;
    if (needed > kMaxProjectors || needed < 1) {
        plan.outcome = WallPlan::Outcome::TooManyProjectors;
        plan.message = tooManyText();
        return plan;
    }
    // "Calculate" chooses the count the screen needs. (It works the overlap out once more afterwards,
    // for the image width the slices left; that width already gives the same overlap.)
    if (!calc.choose(needed)) return plan;
    if (request.projectors != 0 && request.projectors != needed && !calc.choose(request.projectors))
        return plan;

    plan.devices = devicesNeeded(plan.projectors);
    plan.notes =
        imageContentNotes(plan.projectors, plan.aspectText(), request.projectorResH, request.projectorResV,
                          formatNumber(plan.imageWidth), formatNumber(plan.imageHeight));
    return plan;
}

} // namespace planning
