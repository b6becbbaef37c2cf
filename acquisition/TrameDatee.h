#pragma once

#include "acquisition/FrameDecoder.h"

#include <QtGlobal>

namespace acquisition {

// A decoded frame with the moment it arrived: what the screen shows, what the past keeps and
// what a recording writes. The time is the user's wall clock (milliseconds since the epoch,
// shown in local time), since a user reads it against the clock on the wall.
struct TrameDatee
{
    DecodedFrame trame;
    qint64 arriveeMs = 0;

    bool operator==(const TrameDatee&) const = default;
};

} // namespace acquisition
