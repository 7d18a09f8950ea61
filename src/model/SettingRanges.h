#pragma once

// Limits and shown precision of the values the user types in, shared by the pages that edit them and by
// a push that takes them straight from the model.
namespace SettingRanges {

// Overall contrast and brightness in percent; red, green and blue are offsets around them.
constexpr double OverallLevelMin = 75;
constexpr double OverallLevelMax = 125;
constexpr double ColourLevelMin = -25;
constexpr double ColourLevelMax = 25;
// Significant digits the colour values are shown with, and so sent with.
constexpr int OverallLevelDigits = 5;
constexpr int ColourLevelDigits = 4;

// Significant digits the feathering gammas are shown with, and so sent with.
constexpr int GammaDigits = 3;

// The eight manual seam gains sit at -4..-1 and +1..+4 around the seam; the first is at -4.
constexpr int FirstSeamGainPosition = -4;

} // namespace SettingRanges
