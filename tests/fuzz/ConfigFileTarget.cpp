// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzTargets.h"

#include "ConfigFile.h"
#include "DeviceModel.h"
#include "ModelAccessors.h"
#include "ModelFields.h"
#include "PlanningMath.h"
#include "WindowState.h"

#include <QByteArray>

#include <cmath>
#include <cstring>

using namespace planning;

namespace {

// The size of the placement picture the Planning page draws markers on.
constexpr int kPictureWidth = 500;

// What the refresh after a load takes from the records, in the order the pages and the planning code
// take it. Out-of-table reads and overflows are the sanitizers' to report; the rest is checked here.
const char *refreshFromModel(DeviceModel &model) {
    const WindowState &state = model.state();
    UpdateDefaultSourceSize(model);
    const bool knownSize = (state.DefaultSourceWidth == 640 && state.DefaultSourceHeight == 480) ||
                           (state.DefaultSourceWidth == 800 && state.DefaultSourceHeight == 600) ||
                           (state.DefaultSourceWidth == 1024 && state.DefaultSourceHeight == 768) ||
                           (state.DefaultSourceWidth == 1280 && state.DefaultSourceHeight == 1024);
    if (!knownSize) return "default source size not from the format table";

    for (int device = 1; device <= 2; ++device)
        for (int channel = 1; channel <= 4; ++channel) {
            IsInputLocked(model, device, channel);
            UpdatePositionBounds(model, device, channel);
            const InputInfo &r = model.input(device, channel);
            if (state.HPositionMin > r.HPositionCenter || state.VPositionMin > r.VPositionCenter)
                return "position minimum above the centre";
        }
    for (int screen = 1; screen <= 8; ++screen) {
        const int device = ScreenDevice(screen), channel = ScreenChannel(screen);
        if (!IsAddressable(device, channel)) return "screen maps outside the tables";
    }

    const OutputInfo &system = model.output(1, 1);
    const int sourceWidth = SourceWidth(model), sourceHeight = SourceHeight(model);
    const double projectorResH = state.DefaultSourceWidth;
    // The Planning page takes the projector count only when it is one of its choices.
    const int n = isValidProjectorCount(system.TotalProjectors) ? system.TotalProjectors : 1;
    const DeviceLayout layout = layoutFromDevices(n, sourceWidth, sourceHeight, system.OverlapWidth);
    overlapUpperBound(n, projectorResH, true, sourceWidth);
    planOverlap(n, projectorResH, layout.imageWidth, overlapUpperBound(n, projectorResH, true, sourceWidth));
    const SliceLayout slices = screenOffsets(n, projectorResH, layout.overlap, system.Justification == 1);
    if (slices.count != n) return "slices for another projector count";
    const QList<FrameRect> frames = projectorFrames(n, system.OverlapWidth, projectorResH);
    if (frames.size() != n) return "frames for another projector count";
    const QList<PlacementMarker> markers = placementMarkers(
        n, projectorResH, layout.overlap, layout.imageWidth, layout.screenWidth, kPictureWidth);
    if (markers.size() != 0 && markers.size() != n) return "markers for another projector count";
    formatGeneral(layout.aspect, 3);
    formatGeneral(layout.screenWidth, 5);
    return nullptr;
}

} // namespace

namespace FuzzTargets {

// The input is a configuration file. One of any other size is refused and leaves the tables alone; it
// is then zero-filled or cut to the file size so that every input reaches the refresh.
const char *configFile(const uint8_t *data, size_t size) {
    DeviceModel model;
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.size() != ConfigFile::FileSize) {
        const QByteArray before = model.image();
        if (model.applyImage(bytes)) return "a file of the wrong size was taken";
        if (model.image() != before) return "a refused file changed the tables";
        bytes.resize(ConfigFile::FileSize, '\0');
    }
    if (!model.applyImage(bytes)) return "a file of the right size was refused";
    // Each device's system values are its channel 1's in every channel record.
    if (model.image() != ModelFields::withDeviceWideValuesAligned(bytes))
        return "the tables do not hold the file as loaded";
    return refreshFromModel(model);
}

} // namespace FuzzTargets
