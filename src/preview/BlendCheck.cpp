// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlendCheck.h"

#include "DeviceModel.h"
#include "ModelAccessors.h"

#include <algorithm>
#include <cmath>

namespace blend {

namespace {

// Summed light within this much of 1 counts as even.
constexpr double kEvenTolerance = 0.02;

double shape(Curve curve, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return curve == Curve::Linear ? t : t * t * (3 - 2 * t);
}

bool usableGamma(double gamma) {
    return std::isfinite(gamma) && gamma > 0;
}

QString gammaText(double gamma) {
    return planning::formatGeneral(gamma, 3);
}

const OutputInfo &systemOf(const BlendInput &input, int screen) {
    return input.screens[ScreenDevice(screen) == 1 ? 1 : 5];
}

Edge edgeOf(const BlendInput &input, int screen, char side) {
    const OutputInfo &out = input.screens[screen];
    const OutputInfo &sys = systemOf(input, screen);
    const int n = input.projectors;
    const bool left = side == 'L';
    Edge edge;
    edge.haloWidth = left ? out.LeftHaloWidth : out.RightHaloWidth;
    edge.haloOffset = left ? out.LeftHaloOffset : out.RightHaloOffset;
    if (sys.AdvancedMode != 0) {
        edge.enabled = (left ? out.LeftFeathering : out.RightFeathering) != 0;
        edge.gamma = left ? out.LeftGamma : out.RightGamma;
        edge.width = left ? out.LeftGammaWidth : out.RightGammaWidth;
        edge.offset = left ? out.LeftGammaOffset : out.RightGammaOffset;
    } else {
        const bool facesSeam = left ? screen > 1 : screen < n;
        edge.enabled = facesSeam && sys.BasicFeathering != 0;
        edge.gamma = sys.BasicGamma;
        edge.width = sys.OverlapWidth;
        edge.offset = 0;
    }
    return edge;
}

QString screensText(int left) {
    return QStringLiteral("screens %1 and %2").arg(left).arg(left + 1);
}

// What a seam's summed light does on the wall, in the installer's words.
QString seamEffect(const Seam &seam) {
    const bool bright = seam.maxLight > 1 + kEvenTolerance;
    const bool dark = seam.minLight < 1 - kEvenTolerance;
    const QString where = QStringLiteral("at the seam of %1").arg(screensText(seam.left));
    if (bright && dark) return QStringLiteral("a bright and a dark band %1").arg(where);
    if (bright) return QStringLiteral("a bright band %1").arg(where);
    if (dark) return QStringLiteral("a dark band %1").arg(where);
    return QStringLiteral("uneven blending %1 once the projectors differ at all").arg(where);
}

class Checker {
public:
    explicit Checker(BlendWall &wall) : wall(wall) {}

    void run() {
        for (const Seam &seam : wall.seams)
            if (read(seam.left) && read(seam.left + 1)) checkSeam(seam);
        checkOuterEdges();
        checkBasicWidths();
        checkDevices();
    }

private:
    // Whether the screen's records are there to judge: a device that was not found was never read, and
    // its zeros say nothing about the wall.
    bool read(int screen) const {
        const int connected = wall.input.devicesConnected;
        return connected <= 0 || ScreenDevice(screen) <= connected;
    }

    void add(Finding::Kind kind, QList<int> screens, const QString &text) {
        wall.findings.append({kind, std::move(screens), text});
    }

    void checkSeam(const Seam &seam) {
        const Projector &a = wall.projectors[seam.left - 1];
        const Projector &b = wall.projectors[seam.left];
        const Edge &r = a.right;
        const Edge &l = b.left;
        const QList<int> both{a.screen, b.screen};
        const QString effect = seamEffect(seam);
        const int overlap = int(wall.input.overlap);
        if (!r.enabled && !l.enabled) {
            add(Finding::Kind::SeamNotFeathered, both,
                QStringLiteral("Feathering is off on both sides of the seam of %1: %2 (twice the light "
                               "where they overlap).")
                    .arg(screensText(a.screen), effect));
        } else if (r.enabled != l.enabled) {
            add(Finding::Kind::EnabledOneSide, both,
                QStringLiteral("Feathering is on for screen %1's %2 edge only at the seam of %3: %4.")
                    .arg(r.enabled ? a.screen : b.screen)
                    .arg(r.enabled ? QStringLiteral("right") : QStringLiteral("left"), screensText(a.screen),
                         effect));
        }
        if (r.enabled && l.enabled) {
            if (r.width != l.width)
                add(Finding::Kind::FeatherWidthMismatch, both,
                    QStringLiteral("Feather widths differ at the seam of %1 (screen %2 right %3, screen %4 "
                                   "left %5): %6.")
                        .arg(screensText(a.screen))
                        .arg(a.screen)
                        .arg(r.width)
                        .arg(b.screen)
                        .arg(l.width)
                        .arg(effect));
            if (r.offset != l.offset)
                add(Finding::Kind::FeatherOffsetMismatch, both,
                    QStringLiteral("Feather offsets differ at the seam of %1 (screen %2 right %3, screen %4 "
                                   "left %5): %6.")
                        .arg(screensText(a.screen))
                        .arg(a.screen)
                        .arg(r.offset)
                        .arg(b.screen)
                        .arg(l.offset)
                        .arg(effect));
            if (r.gamma != l.gamma)
                add(Finding::Kind::GammaMismatch, both,
                    QStringLiteral("Gammas differ at the seam of %1 (screen %2 right %3, screen %4 left %5): "
                                   "%6.")
                        .arg(screensText(a.screen))
                        .arg(a.screen)
                        .arg(gammaText(r.gamma))
                        .arg(b.screen)
                        .arg(gammaText(l.gamma))
                        .arg(effect));
        }
        for (const auto &[screen, side, edge] : {std::tuple{a.screen, QStringLiteral("right"), r},
                                                 std::tuple{b.screen, QStringLiteral("left"), l}}) {
            // In basic mode every edge takes its device's overlap width: said once per device below.
            const bool advanced = screen == a.screen ? a.advanced : b.advanced;
            if (advanced && edge.enabled && edge.width != overlap)
                add(Finding::Kind::WidthNotOverlap, {screen},
                    QStringLiteral("Screen %1's %2 feather width %3 differs from the planned overlap %4: %5.")
                        .arg(screen)
                        .arg(side)
                        .arg(edge.width)
                        .arg(overlap)
                        .arg(edge.width < overlap
                                 ? QStringLiteral("part of the overlap is not feathered, %1").arg(effect)
                                 : QStringLiteral("the ramp reaches past the overlap, %1").arg(effect)));
            if (edge.haloWidth > overlap)
                add(Finding::Kind::HaloWiderThanOverlap, {screen},
                    QStringLiteral("Screen %1's %2 halo width %3 is wider than the overlap %4: the halo "
                                   "correction reaches past the seam of %5 into the picture.")
                        .arg(screen)
                        .arg(side)
                        .arg(edge.haloWidth)
                        .arg(overlap)
                        .arg(screensText(a.screen)));
        }
        if (a.blackLevel != b.blackLevel)
            add(Finding::Kind::BlackLevelMismatch, both,
                QStringLiteral(
                    "Black levels differ at the seam of %1 (%2 and %3): a step in the brightness of "
                    "dark scenes at that seam.")
                    .arg(screensText(a.screen))
                    .arg(a.blackLevel)
                    .arg(b.blackLevel));
    }

    void checkOuterEdges() {
        const Projector &first = wall.projectors.constFirst();
        const Projector &last = wall.projectors.constLast();
        if (first.advanced && first.left.enabled)
            add(Finding::Kind::OuterEdgeFeathered, {first.screen},
                QStringLiteral(
                    "Screen %1's left edge is feathered at the wall's outer edge: the picture fades "
                    "to dark at the left edge of the wall.")
                    .arg(first.screen));
        if (read(last.screen) && last.advanced && last.right.enabled)
            add(Finding::Kind::OuterEdgeFeathered, {last.screen},
                QStringLiteral("Screen %1's right edge is feathered at the wall's outer edge: the picture "
                               "fades to dark at the right edge of the wall.")
                    .arg(last.screen));
    }

    // A device in basic mode feathers all its seams over its own overlap width.
    void checkBasicWidths() {
        const int overlap = int(wall.input.overlap);
        for (int device : {1, 2}) {
            QList<int> screens;
            const Seam *first = nullptr;
            for (const Seam &seam : wall.seams) {
                if (!read(seam.left) || !read(seam.left + 1)) continue;
                for (int screen : {seam.left, seam.left + 1}) {
                    const Projector &p = wall.projectors[screen - 1];
                    const bool edgeEnabled = screen == seam.left ? p.right.enabled : p.left.enabled;
                    if (ScreenDevice(screen) != device || p.advanced || !edgeEnabled) continue;
                    if (!screens.contains(screen)) screens.append(screen);
                    if (!first) first = &seam;
                }
            }
            const int width = wall.input.screens[device == 1 ? 1 : 5].OverlapWidth;
            if (!first || width == overlap) continue;
            std::sort(screens.begin(), screens.end());
            add(Finding::Kind::WidthNotOverlap, screens,
                QStringLiteral(
                    "Kestrix %1 feathers its seams over its overlap width %2, which differs from the "
                    "planned overlap %3: %4 %5, and the same at its other seams.")
                    .arg(device)
                    .arg(width)
                    .arg(overlap)
                    .arg(width < overlap ? QStringLiteral("part of the overlap is not feathered,")
                                         : QStringLiteral("the ramps reach past the overlap,"))
                    .arg(seamEffect(*first)));
        }
    }

    void checkDevices() {
        const BlendInput &in = wall.input;
        const int needed = planning::devicesNeeded(in.projectors);
        const bool secondRead = in.devicesConnected <= 0 || in.devicesConnected >= 2;
        if ((needed > 1 || in.devicesConnected > 1) && secondRead) {
            const OutputInfo &one = in.screens[1];
            const OutputInfo &two = in.screens[5];
            if (one.OverlapWidth != two.OverlapWidth)
                add(Finding::Kind::DeviceOverlapMismatch, {},
                    QStringLiteral(
                        "Kestrix 1 holds an overlap of %1 pixels and Kestrix 2 one of %2: the seams "
                        "of screens 5 to 8 are blended for a different wall.")
                        .arg(one.OverlapWidth)
                        .arg(two.OverlapWidth));
            if (one.TotalProjectors != two.TotalProjectors)
                add(Finding::Kind::DeviceCountMismatch, {},
                    QStringLiteral("Kestrix 1 holds %1 projectors and Kestrix 2 holds %2: the two devices "
                                   "split the wall differently.")
                        .arg(one.TotalProjectors)
                        .arg(two.TotalProjectors));
        }
        // Said once; the screens of the missing device are not judged anywhere else.
        if (in.devicesConnected > 0 && needed > in.devicesConnected)
            add(Finding::Kind::TooFewDevices, {},
                QStringLiteral("The plan of %1 projectors needs %2 Kestrix devices but only %3 answered: "
                               "Kestrix 2 was not found, so screens 5 to %1 were not read and not checked.")
                    .arg(in.projectors)
                    .arg(needed)
                    .arg(in.devicesConnected));
    }

    BlendWall &wall;
};

} // namespace

double rampSignal(const Edge &edge, Curve curve, double u) {
    if (!edge.enabled) return 1;
    if (edge.width <= 0) return u >= edge.offset ? 1 : 0;
    return shape(curve, (u - edge.offset) / edge.width);
}

QString kindName(Finding::Kind kind) {
    switch (kind) {
    case Finding::Kind::FeatherWidthMismatch:
        return QStringLiteral("featherWidthMismatch");
    case Finding::Kind::FeatherOffsetMismatch:
        return QStringLiteral("featherOffsetMismatch");
    case Finding::Kind::WidthNotOverlap:
        return QStringLiteral("featherWidthNotOverlap");
    case Finding::Kind::GammaMismatch:
        return QStringLiteral("gammaMismatch");
    case Finding::Kind::EnabledOneSide:
        return QStringLiteral("featheringOneSide");
    case Finding::Kind::SeamNotFeathered:
        return QStringLiteral("seamNotFeathered");
    case Finding::Kind::OuterEdgeFeathered:
        return QStringLiteral("outerEdgeFeathered");
    case Finding::Kind::HaloWiderThanOverlap:
        return QStringLiteral("haloWiderThanOverlap");
    case Finding::Kind::BlackLevelMismatch:
        return QStringLiteral("blackLevelMismatch");
    case Finding::Kind::DeviceOverlapMismatch:
        return QStringLiteral("deviceOverlapMismatch");
    case Finding::Kind::DeviceCountMismatch:
        return QStringLiteral("deviceProjectorCountMismatch");
    case Finding::Kind::TooFewDevices:
        return QStringLiteral("tooFewDevices");
    }
    return {};
}

BlendInput inputFromModel(const DeviceModel &model, double projectorGamma, int devicesConnected) {
    BlendInput input;
    const WindowState &state = model.state();
    const OutputInfo &sys = model.output(1, 1);
    input.projectors = state.ProjectorCount > 0 ? int(state.ProjectorCount) : sys.TotalProjectors;
    input.projectorWidth = state.ProjectorResH;
    input.overlap = state.OverlapPixels > 0 ? state.OverlapPixels : sys.OverlapWidth;
    for (int s = 1; s <= planning::kMaxProjectors; ++s)
        input.screens[s] = model.output(ScreenDevice(s), ScreenChannel(s));
    input.devicesConnected = devicesConnected;
    input.projectorGamma = projectorGamma;
    return input;
}

BlendInput inputFromFile(const DeviceModel &model, double projectorGamma) {
    BlendInput input;
    const OutputInfo &sys = model.output(1, 1);
    input.projectors = sys.TotalProjectors;
    input.projectorWidth = SourceWidth(model);
    input.overlap = sys.OverlapWidth;
    for (int s = 1; s <= planning::kMaxProjectors; ++s)
        input.screens[s] = model.output(ScreenDevice(s), ScreenChannel(s));
    input.projectorGamma = projectorGamma;
    return input;
}

double BlendWall::projectorLight(int p, double x) const {
    if (p < 0 || p >= projectors.size()) return 0;
    const Projector &proj = projectors[p];
    if (x < proj.slice.start || x >= proj.slice.end) return 0;
    const double fromLeft = x - proj.slice.start;
    const double fromRight = proj.slice.end - x;
    // The device shapes the signal to 1/gamma of the edge; the projector raises it to its own gamma.
    const auto light = [&](const Edge &edge, double u) {
        const double signal = rampSignal(edge, proj.curve, u);
        const double exponent = usableGamma(edge.gamma) && usableGamma(input.projectorGamma)
                                    ? input.projectorGamma / edge.gamma
                                    : 1.0;
        return std::pow(signal, exponent);
    };
    return light(proj.left, fromLeft) * light(proj.right, fromRight);
}

BlendWall analyse(const BlendInput &input) {
    BlendWall wall;
    wall.input = input;
    const int n = input.projectors;
    const double w = input.projectorWidth;
    const double overlap = input.overlap;
    if (!planning::isValidProjectorCount(n) || !std::isfinite(w) || w < 1 || w > 100000 ||
        !std::isfinite(overlap) || overlap < 0 || overlap >= w)
        return wall;
    // Slices from the left edge of the image: the picture shows the image, not the source's centring.
    const planning::SliceLayout layout = planning::screenOffsets(n, w, overlap, false);
    wall.imageWidth = layout.imageWidth;
    for (int p = 0; p < n; ++p) {
        Projector proj;
        proj.screen = p + 1;
        proj.slice = layout.slices[p];
        proj.left = edgeOf(input, proj.screen, 'L');
        proj.right = edgeOf(input, proj.screen, 'R');
        proj.blackLevel = input.screens[proj.screen].BlackLevel;
        const OutputInfo &sys = systemOf(input, proj.screen);
        proj.curve = sys.FeatherMode == 'L' ? Curve::Linear : Curve::SCurve;
        proj.advanced = sys.AdvancedMode != 0;
        wall.projectors.append(proj);
    }
    const int pixels = int(std::ceil(wall.imageWidth));
    wall.light.assign(size_t(pixels), 0.0);
    for (int x = 0; x < pixels; ++x)
        for (int p = 0; p < n; ++p)
            wall.light[size_t(x)] += wall.projectorLight(p, x + 0.5);
    for (int p = 0; p + 1 < n; ++p) {
        Seam seam;
        seam.left = p + 1;
        seam.start = layout.slices[p + 1].start;
        seam.end = layout.slices[p].end;
        // The blend zones may reach past the overlap; judge the light across all of them.
        const double from = std::min(
            seam.start,
            seam.end - std::max(wall.projectors[p].right.width + wall.projectors[p].right.offset, 0));
        const double to = std::max(
            seam.end,
            seam.start + std::max(wall.projectors[p + 1].left.width + wall.projectors[p + 1].left.offset, 0));
        seam.minLight = seam.maxLight = 1;
        for (int x = std::max(0, int(std::floor(from))); x < std::min(pixels, int(std::ceil(to))); ++x) {
            seam.minLight = std::min(seam.minLight, wall.light[size_t(x)]);
            seam.maxLight = std::max(seam.maxLight, wall.light[size_t(x)]);
        }
        wall.seams.append(seam);
    }
    Checker(wall).run();
    return wall;
}

} // namespace blend
