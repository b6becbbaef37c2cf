#pragma once

#include <algorithm>

namespace display {

// The panel and the screen are measured in twips (1/1440 inch), 15 to a pixel.
inline constexpr double kTwipsPerPixel = 15.0;

// The pixel a position or length in twips falls on: the nearest, a half going up. Values far
// off any screen (and NaN) saturate instead of overflowing. The screen calls it for every
// point it draws, hence no library call.
constexpr int twipsToPixel(double twips)
{
    const double v = std::clamp(twips / kTwipsPerPixel + 0.5, -1e9, 1e9);
    const int i = v == v ? int(v) : -1000000000;
    return i - (v < i); // floor
}

} // namespace display
