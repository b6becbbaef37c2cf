#pragma once

// The screen's graticule: divisions across (time) and down (voltage). The drawing draws them;
// the cursor readouts count in them.
namespace Divisions {
constexpr int Temps = 10;
constexpr int Tension = 8;
} // namespace Divisions
