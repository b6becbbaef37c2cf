#include "measure/Curseurs.h"

#include "measure/Format.h"
#include "measure/Mouse.h"

namespace Curseurs {

std::int16_t position(float coordinate, int limit)
{
    if (!(coordinate > 0)) return 0;
    if (coordinate > float(limit)) return std::int16_t(limit);
    return std::int16_t(Format::roundHalfEven(coordinate));
}

Handled bouge(Positions& p, int button, int shift, float x, float y, int width, int height, bool timeEnabled,
              bool voltageEnabled)
{
    Handled handled;
    if (button == 0) return handled;
    if (shift == 0 && timeEnabled) {
        if (button & Buttons::Left) p.oldX = position(x, width);
        if (button & Buttons::Right) p.oldX2 = position(x, width);
        handled.time = true;
    }
    if (shift == Shifts::Shift && voltageEnabled) {
        if (button & Buttons::Left) p.oldY = position(y, height);
        if (button & Buttons::Right) p.oldY2 = position(y, height);
        handled.voltage = true;
    }
    return handled;
}

} // namespace Curseurs
