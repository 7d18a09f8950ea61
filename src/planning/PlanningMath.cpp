// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanningMath.h"

#include <algorithm>
#include <cmath>

namespace planning {

namespace {
bool finite(double v) {
    return std::isfinite(v);
}
} // namespace

QString formatGeneral(double value, int digits) {
    if (!finite(value)) return QStringLiteral("N/A");
    if (std::fabs(value) >= std::pow(10.0, digits)) return QString::number(value, 'f', 0);
    return QString::number(value, 'g', digits);
}

QString formatNumber(double value) {
    return formatGeneral(value, 15);
}

ImageSize imageSize(double projectorResV, double aspect) {
    return {projectorResV * aspect, projectorResV};
}

int projectorCount(double projectorResH, double projectorResV, double aspect) {
    if (!(projectorResH > 0)) return 0;
    const double count = std::ceil(projectorResV * aspect / projectorResH);
    // Anything beyond the limit is only compared against it; keep it representable. A screen so wide
    // that the image width overflows (1e300 x 1e-300) needs more projectors than any wall has.
    if (std::isnan(count) || count < 0) return 0;
    return count > 1000 ? 1000 : int(count);
}

int overlapUpperBound(int n, double projectorResH, bool modelFromDevices, int sourceWidth) {
    if (modelFromDevices && sourceWidth > 0) return n <= 2 ? sourceWidth / 2 : sourceWidth / (n - 1);
    return int(std::trunc(projectorResH * 0.5));
}

OverlapPlan planOverlap(int n, double projectorResH, double imageWidth, int upperBound) {
    const double w = projectorResH;
    OverlapPlan plan;
    plan.imageWidth = imageWidth;
    plan.maxOverlapWidth = int(std::trunc(w * 0.5));
    if (n >= 2) {
        const int k = n - 1;
        plan.overlap = std::ceil((n * w - imageWidth) / k);
        if (plan.overlap < kMinOverlap) {
            plan.overlap = kMinOverlap;
            plan.imageWidth = n * w - k * kMinOverlap;
            plan.imageWidthChanged = true;
        }
        if (upperBound < plan.overlap) {
            plan.overlap = upperBound;
            plan.imageWidth = n * w - k * double(upperBound);
            plan.imageWidthChanged = true;
        }
    }
    return plan;
}

AspectFromImage aspectFromImage(double imageWidth, double imageHeight, double screenHeight) {
    // A zero height (a device reporting no lines) gives no aspect rather than an infinite one.
    const double aspect = imageHeight != 0 ? imageWidth / imageHeight : std::nan("");
    return {aspect, screenHeight * aspect};
}

SliceLayout screenOffsets(int n, double projectorResH, double overlap, bool centred) {
    SliceLayout layout;
    if (!isValidProjectorCount(n)) {
        layout.imageWidth = std::nan("");
        return layout;
    }
    const double shift = centred ? std::trunc(std::trunc((n - 1) * overlap) / 2) : 0;
    layout.count = n;
    double end = 0;
    for (int p = 0; p < n; ++p) {
        const double start = p == 0 ? shift : end - overlap;
        end = start + projectorResH;
        layout.slices[p] = {start, end};
    }
    layout.imageWidth = end - shift;
    return layout;
}

DeviceLayout layoutFromDevices(int n, int sourceWidth, int sourceHeight, int overlap) {
    DeviceLayout layout;
    const int k = n - 1;
    layout.imageWidth = double(n) * sourceWidth - double(k) * overlap;
    layout.aspect = sourceHeight != 0 ? layout.imageWidth / sourceHeight : std::nan("");
    layout.screenWidth = 10 * layout.aspect;
    layout.overlap = n >= 2 ? std::ceil((double(n) * sourceWidth - layout.imageWidth) / k) : 0;
    return layout;
}

QString imageContentNotes(int n, const QString &aspectText, int projectorW, int projectorH,
                          const QString &imageWidthText, const QString &imageHeightText) {
    const QString crlf = QStringLiteral("\r\n");
    const QString indent(38, QLatin1Char(' '));
    const QString centreOrLeft = indent + QStringLiteral("(Center or Left Justified)") + crlf;
    auto twoHead = [&] {
        return QStringLiteral(" - 2 Head Graphic Source:    %1 : 1 Aspect Ratio Image Required")
                   .arg(aspectText) +
               crlf + indent + QStringLiteral("(Must be Centered)") + crlf;
    };
    auto heads = [&](int h) {
        return QStringLiteral(" - %1 Head Graphic Source (%2 x %3 resolution): %4 x %5 Image Size Required")
                   .arg(h)
                   .arg(projectorW)
                   .arg(projectorH)
                   .arg(imageWidthText, imageHeightText) +
               crlf + centreOrLeft;
    };
    QString notes =
        QStringLiteral(" - Single Graphic Source:    %1 : 1 Aspect Ratio Image Required").arg(aspectText) +
        crlf + centreOrLeft;
    // A wall also suits sources with fewer heads whose count divides it.
    switch (n) {
    case 2:
        notes += twoHead();
        break;
    case 4:
    case 8:
        notes += twoHead() + (n == 8 ? heads(4) : QString()) + heads(n);
        break;
    case 6:
        notes += twoHead() + heads(3) + heads(6);
        break;
    case 3:
    case 5:
    case 7:
        notes += heads(n);
        break;
    default:
        break;
    }
    return notes;
}

int frameOverlap(int overlap, double projectorResH) {
    if (!(projectorResH > 0)) return 0;
    // An overlap from a file or a device can be any number: frames drawn on top of each other or a
    // frame's width apart already show it is absurd, and the frame positions stay representable.
    const double scaled = std::trunc(overlap * double(kFrameWidth) / projectorResH);
    return int(std::clamp(scaled, -double(kFrameWidth), double(kFrameWidth)));
}

QList<FrameRect> projectorFrames(int n, int overlap, double projectorResH) {
    QList<FrameRect> frames;
    if (!isValidProjectorCount(n)) return frames;
    const int s = frameOverlap(overlap, projectorResH);
    int left = 5;
    for (int k = 1; k <= n; ++k) {
        frames.append({left, 5, left + kFrameWidth, 99});
        left += kFrameWidth - s;
    }
    return frames;
}

QList<PlacementMarker> placementMarkers(int n, double projectorResH, double overlapPixels, double imageWidth,
                                        double screenWidth, int pictureWidth) {
    QList<PlacementMarker> markers;
    if (!isValidProjectorCount(n) || !finite(imageWidth) || imageWidth == 0 || !finite(screenWidth) ||
        screenWidth == 0)
        return markers;
    const double half = projectorResH * 0.5;
    double centre = std::trunc(half);
    for (int p = 1; p <= n; ++p) {
        if (p > 1) centre = std::trunc(half - overlapPixels + half + centre);
        // The position is kept in single precision, as the scale shows it.
        const float position = float(centre / imageWidth * screenWidth);
        const double x = std::trunc(float(position / screenWidth * pictureWidth));
        // A layout loaded from a file can put a centre anywhere; a marker far off the picture stays
        // off it, but within what an int holds.
        const double reach = 10.0 * pictureWidth;
        markers.append({finite(x) ? int(std::clamp(x, -reach, reach)) : 0, position});
    }
    return markers;
}

} // namespace planning
