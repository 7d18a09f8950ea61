// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OutputInfo.h"
#include "PlanningMath.h"

#include <QList>
#include <QString>

#include <array>
#include <vector>

class DeviceModel;

// What the blending settings do to the wall, worked out before any projector is switched on: each
// projector's slice of the source image, its blend zones, halos and black level, the feather ramp of
// every edge, the light summed across the wall, and the settings that disagree with each other.
//
// The light model (nothing here measures light; it shows what the settings ask for):
// - Every projector shows a full-white picture across its slice; its light at a pixel is its feather
//   weight there raised to the projector's gamma (2.2 unless told otherwise).
// - An edge's ramp starts `offset` pixels in from the projector's edge and rises over `width` pixels
//   from black to full: along t = 0..1 it is t for the linear curve and 3t^2 - 2t^3 for the S-curve.
//   The device raises the ramp to 1/gamma of the edge, so a projector whose gamma equals the edge's
//   gamma gives exactly the ramp in light, and two matching ramps sum to a flat 1 across their seam.
// - A disabled edge leaves the picture at full signal. In basic mode every edge that faces a seam
//   takes the device's basic enable and gamma, with the overlap width as its width and no offset; the
//   outer edges of the wall are never feathered. In advanced mode each edge uses its own values.
// - Halos and black levels are shown as set; they do not enter the summed light of a white picture.
namespace blend {

enum class Curve { SCurve, Linear };

// The projector gammas the preview accepts, and the one it assumes unless told.
constexpr double kDefaultProjectorGamma = 2.2;
constexpr double kMinProjectorGamma = 1.0;
constexpr double kMaxProjectorGamma = 3.5;

// One edge of one projector as the device will blend it.
struct Edge {
    bool enabled = false;
    double gamma = 2.2;
    int width = 0;
    int offset = 0;
    int haloWidth = 0;
    int haloOffset = 0;
};

// The ramp of an edge: 0 at the projector's edge side, 1 past the blend zone, u pixels in from the edge.
double rampSignal(const Edge &edge, Curve curve, double u);

struct Projector {
    int screen = 0; // 1..8, from the left
    planning::Slice slice{};
    Edge left, right;
    int blackLevel = 0;
    Curve curve = Curve::SCurve;
    bool advanced = false;
};

// Everything the preview starts from: the wall's plan and the output records of screens 1..8.
struct BlendInput {
    int projectors = 0;
    double projectorWidth = 1280; // pixels of the source each projector shows
    double overlap = 0;           // the planned overlap in pixels
    std::array<OutputInfo, planning::kMaxProjectors + 1> screens{}; // [1..8]; device d's system values
                                                                    // are those of its first screen
    // 0 when no device is connected (a file is checked). Otherwise the devices that answered: the
    // screens of a device beyond them have no records, so no finding is drawn from them.
    int devicesConnected = 0;
    double projectorGamma = kDefaultProjectorGamma;
};

// The window's wall: the plan the Planning page holds (projector count, width and overlap), falling
// back to what the devices report when nothing was planned.
BlendInput inputFromModel(const DeviceModel &model, double projectorGamma, int devicesConnected);
// A configuration file's wall: its device 1 record's projector count and overlap, and the projector
// width its first input measures (or its output format suggests: UpdateDefaultSourceSize first).
BlendInput inputFromFile(const DeviceModel &model, double projectorGamma);

struct Finding {
    enum class Kind {
        FeatherWidthMismatch,
        FeatherOffsetMismatch,
        WidthNotOverlap,
        GammaMismatch,
        EnabledOneSide,
        SeamNotFeathered,
        OuterEdgeFeathered,
        HaloWiderThanOverlap,
        BlackLevelMismatch,
        DeviceOverlapMismatch,
        DeviceCountMismatch,
        TooFewDevices,
    };
    Kind kind;
    QList<int> screens; // the screens it names, left to right; empty for device-wide findings
    QString text;
};
// The kind as JSON names it ("featherWidthMismatch").
QString kindName(Finding::Kind kind);

// A seam: screens `left` and left + 1 share [start, end) of the image.
struct Seam {
    int left = 0;
    double start = 0;
    double end = 0;
    double minLight = 1;
    double maxLight = 1;
};

struct BlendWall {
    BlendInput input;
    QList<Projector> projectors;
    QList<Seam> seams;
    double imageWidth = 0;
    // Summed light at the centre of each image pixel (1 = one projector at full white); empty without
    // a wall.
    std::vector<double> light;
    QList<Finding> findings;
    bool empty() const { return projectors.isEmpty(); }
    // Light of projector p (index into projectors) at image position x; 0 outside its slice.
    double projectorLight(int p, double x) const;
};

BlendWall analyse(const BlendInput &input);

} // namespace blend
