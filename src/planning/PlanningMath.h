// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <array>

// The planning arithmetic of the wall: screen size and projector resolution in, projector count,
// overlap, source image size and each projector's slice of it out. Plain values in and out; the
// Planning page keeps the state and shows the results.
namespace planning {

constexpr int kMaxProjectors = 8;
constexpr int kMaxCentredProjectors = 7;
constexpr int kMinOverlap = 64;
constexpr int kProjectorsPerDevice = 4;

inline bool isValidProjectorCount(int n) {
    return n >= 1 && n <= kMaxProjectors;
}
inline int devicesNeeded(int projectors) {
    return projectors > kProjectorsPerDevice ? 2 : 1;
}

// The number formats of the results. Anything that is not a finite number reads "N/A".
// formatGeneral: `digits` significant digits, trailing zeros dropped (3, 2.4, 1.33); a number with more
// integer digits than that is shown rounded to an integer rather than in exponent form.
QString formatGeneral(double value, int digits);
// Every other computed value: up to 15 significant digits (3072, 2.5, 48.3333333333333).
QString formatNumber(double value);

// The required source image keeps the projector's height and takes the screen's aspect ratio.
struct ImageSize {
    double width;
    double height;
};
ImageSize imageSize(double projectorResV, double aspect);

// Projectors needed side by side to cover the image width, at most 1000 (an infinite width needs
// that many); 0 when the inputs give no count.
int projectorCount(double projectorResH, double projectorResV, double aspect);

// The largest overlap the devices can blend: half of one projector's source share for up to two
// projectors, the share divided among the k seams from three on; half the projector width when the
// model did not come from the devices or they report no source width.
int overlapUpperBound(int n, double projectorResH, bool modelFromDevices, int sourceWidth);

// The overlap that keeps the image width for n projectors of width W, raised to the 64-pixel minimum and
// capped at the upper bound; either correction changes the image width to n*W - k*overlap.
struct OverlapPlan {
    double overlap = 0;
    double imageWidth = 0;
    bool imageWidthChanged = false;
    int maxOverlapWidth = 0; // what the overlap fields accept, half the projector width
};
OverlapPlan planOverlap(int n, double projectorResH, double imageWidth, int upperBound);

// The aspect ratio of the image and the screen width that goes with the entered screen height.
struct AspectFromImage {
    double aspect;
    double screenWidth;
};
AspectFromImage aspectFromImage(double imageWidth, double imageHeight, double screenHeight);

// Each projector's slice of the source image. Centred images are shifted right by half of all overlaps.
struct Slice {
    double start;
    double end;
};
struct SliceLayout {
    int count = 0; // projectors with a slice; 0 for a count outside 1..8
    std::array<Slice, kMaxProjectors> slices{};
    double imageWidth = 0; // n*W - k*overlap; not a number when count is 0
};
SliceLayout screenOffsets(int n, double projectorResH, double overlap, bool centred);

// The wall the devices describe: n projectors, each showing `sourceWidth` pixels with `overlap` pixels
// shared at every seam. The screen width is given for a screen 10 units high.
struct DeviceLayout {
    double imageWidth;
    double aspect;
    double screenWidth;
    double overlap;
};
DeviceLayout layoutFromDevices(int n, int sourceWidth, int sourceHeight, int overlap);

// The notes on how to create image content for n projectors, every line ending in CR LF.
QString imageContentNotes(int n, const QString &aspectText, int projectorW, int projectorH,
                          const QString &imageWidthText, const QString &imageHeightText);

// The projector frames of the wall drawing: 110 pixels wide, overlapping by the overlap scaled to that
// width, frame 1 at x = 5. Edges as (left, top, right, bottom) with right and bottom exclusive.
struct FrameRect {
    int left;
    int top;
    int right;
    int bottom;
};
constexpr int kFrameWidth = 110;
int frameOverlap(int overlap, double projectorResH);
QList<FrameRect> projectorFrames(int n, int overlap, double projectorResH);

// One dashed marker of the placement scale per projector centre, at x on a picture `pictureWidth` wide,
// with the centre's position in screen units. Empty when the image or screen width gives no scale.
struct PlacementMarker {
    int x;
    float position;
};
QList<PlacementMarker> placementMarkers(int n, double projectorResH, double overlapPixels, double imageWidth,
                                        double screenWidth, int pictureWidth);

} // namespace planning
