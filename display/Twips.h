#pragma once

#include <algorithm>

namespace display {

// The panel and the screen are measured in twips (1/1440 inch), 15 to a pixel.
inline constexpr double kTwipsPerPixel = 15.0;

// The device pixel a position or length in twips falls on, on a screen of device pixel ratio
// `ratio`: the nearest, a half going up. Values far off any screen (and NaN) saturate instead
// of overflowing. The screen calls it for every point it draws, hence no library call.
constexpr int twipsToDevicePixel(double twips, double ratio)
{
    const double v = std::clamp(twips * ratio / kTwipsPerPixel + 0.5, -1e9, 1e9);
    const int i = v == v ? int(v) : -1000000000;
    return i - (v < i); // floor
}

// The same at 1x: the panel's pixels and the saved picture's.
constexpr int twipsToPixel(double twips)
{
    return twipsToDevicePixel(twips, 1.0);
}

// A length of whole pixels (a pen's width, a dash) on a screen of device pixel ratio `ratio`:
// the nearest whole number of device pixels, a half going up, never less than one.
constexpr int deviceLength(int pixels, double ratio)
{
    return std::max(1, int(pixels * ratio + 0.5));
}

} // namespace display
