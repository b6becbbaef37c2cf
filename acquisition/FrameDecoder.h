#pragma once

#include "measure/Samples.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace acquisition {

// The fields of one frame, read at their fixed positions. Nothing is ever refused: a short
// frame reads as empty text and zero samples where it ends.
struct DecodedFrame
{
    QByteArray gain1;     // positions 11-15
    bool ac1 = false;     // 16-17 == "ac"
    Samples ch1{};        // 19-178, 80 hex pairs
    QByteArray gain2;     // 191-195
    bool ac2 = false;     // 196-197 == "ac"
    Samples ch2{};        // 199-358
    QByteArray timeField; // 370-373, the time base without its final "s"
    QByteArray trigText;  // 377-386
    int trigLevel = 0;    // 387-388, one hex pair

    bool operator==(const DecodedFrame&) const = default;
};

DecodedFrame decodeFrame(QByteArrayView frame);

// The time base as the readouts read it: the frame's four characters and "s" ("100ms").
QString timeBase(const DecodedFrame& d);
// The settings per division, as the panel's captions, the legend and the frame files print
// them: "500mV/div", "100ms/div".
QString gainCaption(QByteArrayView gain);
QString timeBaseCaption(const DecodedFrame& d);

// Characters `position` to `position + length - 1` (1-based); shorter or empty past the end.
QByteArrayView field(QByteArrayView frame, int position, int length);

// The value of the hexadecimal digits a pair begins with: "7G" is 7, "G7" or nothing is 0.
int hexPair(QByteArrayView pair);

} // namespace acquisition
