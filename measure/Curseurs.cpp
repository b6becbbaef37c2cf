#include "measure/Curseurs.h"

#include "measure/Format.h"

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
    constexpr int left = 1, right = 2;
    Handled handled;
    if (button == 0) return handled;
    if (shift == 0 && timeEnabled) {
        if (button & left) p.oldX = position(x, width);
        if (button & right) p.oldX2 = position(x, width);
        handled.time = true;
    }
    if (shift == 1 && voltageEnabled) {
        if (button & left) p.oldY = position(y, height);
        if (button & right) p.oldY2 = position(y, height);
        handled.voltage = true;
    }
    return handled;
}

} // namespace Curseurs
