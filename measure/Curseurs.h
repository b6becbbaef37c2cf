#pragma once

#include <cstdint>

namespace Curseurs {

// Cursor positions in display units (twips), 0 at start; nothing but a drag changes them.
struct Positions
{
    std::int16_t oldX = 0;  // time cursor 1
    std::int16_t oldX2 = 0; // time cursor 2
    std::int16_t oldY = 0;  // voltage cursor 1
    std::int16_t oldY2 = 0; // voltage cursor 2
};

// Which readout groups a mouse event asks to recompute.
struct Handled
{
    bool time = false;
    bool voltage = false;
};

// The pointer coordinate as a cursor position: 0 at or before the start, `limit` beyond it,
// otherwise rounded half to even. Clamping comes first: a grabbed pointer far outside the
// screen must not overflow the 16-bit position.
std::int16_t position(float coordinate, int limit);

// Moves the cursors for one mouse event: the left button moves cursor 1, the right cursor 2;
// with no modifier the time cursors (when enabled), with Shift alone the voltage cursors.
Handled bouge(Positions& p, int button, int shift, float x, float y, int width, int height, bool timeEnabled,
              bool voltageEnabled);

} // namespace Curseurs
