// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one table of what every setting may hold: the limits the pages' fields enforce, and what a
// configuration is checked against before it is opened or pushed (SettingCheck). A page that narrows a
// limit at run time (the overlap and feather widths follow the projector width in use, the positions
// the device's centre) narrows it inside these.
namespace SettingRanges {

struct Range {
    double lower;
    double upper;
    bool integer;
    // Reals: the significant digits a field shows, and so what a check and a push look at. 0 for integers.
    int digits = 0;
    // A value the pages never accept but a device reports for a setting nobody made (an advanced
    // feathering width of 0); a file holding it is still sound. Only used where `hasZero` is set.
    bool hasZero = false;

    // Whether v is in range as a field would show it: finite, whole for integers, within the limits.
    bool contains(double v) const;
    // v as a field shows it (reals rounded to `digits` significant digits).
    double shown(double v) const;
};

// Output channel values.
constexpr Range BlackLevel{0, 255, true};
constexpr Range HaloWidth{0, 64, true};
constexpr Range HaloOffset{0, 255, true};
constexpr Range EdgeGamma{1.0, 5.0, false, 3};
// At most half the widest projector the program plans for (1280 pixels); the fields narrow this to half
// the projector width in use.
constexpr int WidestProjector = 1280;
constexpr Range FeatherWidth{64, WidestProjector / 2, true, 0, true};
constexpr Range FeatherOffset{0, 511, true};
constexpr Range SeamGain{0, 255, true};
constexpr Range TestPattern{0, 10, true}; // the items of the test pattern lists
constexpr Range Switch{0, 1, true};       // a check box: raster, grid, seam bridge, advanced mode

// System values (channel 1 of each device).
constexpr Range TotalProjectors{1, 8, true};
constexpr Range Justification{0, 1, true}; // left, centred
constexpr Range OverlapWidth{64, WidestProjector / 2, true};
constexpr Range BasicGamma{1.0, 5.0, false, 3};
constexpr Range BridgeThreshold{0, 255, true};

// Input values. Overall contrast and brightness in percent; red, green and blue are offsets around them.
constexpr Range OverallLevel{75, 125, false, 5};
constexpr Range ColourLevel{-25, 25, false, 4};
constexpr Range Phase{-16, 15, true};
// The page lets the positions move this far either side of the centre the device reports, short of the
// device's own limit (positionBounds). A file and a push take the device's own limits, which are wider
// (devicePositionLimits).
constexpr int HPositionReach = 128;
constexpr int VPositionReach = 16;

// Significant digits the values are shown with, and so sent with.
constexpr int OverallLevelDigits = OverallLevel.digits;
constexpr int ColourLevelDigits = ColourLevel.digits;
constexpr int GammaDigits = EdgeGamma.digits;

// The eight manual seam gains sit at -4..-1 and +1..+4 around the seam; the first is at -4.
constexpr int FirstSeamGainPosition = -4;

} // namespace SettingRanges
