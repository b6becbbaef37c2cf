#pragma once

// Builders of board frames for tests: the 388 characters of text at their fixed positions.
#include "measure/Samples.h"

#include <QByteArray>

namespace testing_support {

struct FrameFields
{
    QByteArray gain1 = "500mV";
    QByteArray coupling1 = "dc";
    Samples ch1{};
    QByteArray gain2 = "   2V";
    QByteArray coupling2 = "dc";
    Samples ch2{};
    QByteArray time = "100m";
    QByteArray trig = "Auto A   >";
    QByteArray level = "80";
    char filler = '.';
};

// The frame text (positions 1 to 388), without start, terminator and end codes.
inline QByteArray frameText(const FrameFields& f)
{
    QByteArray t(388, f.filler);
    const auto put = [&t](int position, const QByteArray& s) { t.replace(position - 1, s.size(), s); };
    const auto hex = [](std::uint8_t v) {
        return QByteArray::number(v, 16).rightJustified(2, '0').toUpper();
    };
    put(11, f.gain1.leftJustified(5, ' ', true));
    put(16, f.coupling1.leftJustified(2, ' ', true));
    for (int i = 0; i < kSampleCount; ++i)
        put(19 + 2 * i, hex(f.ch1[i]));
    put(191, f.gain2.leftJustified(5, ' ', true));
    put(196, f.coupling2.leftJustified(2, ' ', true));
    for (int i = 0; i < kSampleCount; ++i)
        put(199 + 2 * i, hex(f.ch2[i]));
    put(370, f.time.leftJustified(4, ' ', true));
    put(377, f.trig.leftJustified(10, ' ', true));
    put(387, f.level.leftJustified(2, ' ', true));
    return t;
}

// The frame as it travels: start code, text, the board's terminator character, end code.
inline QByteArray onWire(const QByteArray& text, char terminator = ';')
{
    return QByteArray(1, '\x04') + text + terminator + '\x1b';
}

inline Samples ramp(int from, int step)
{
    Samples s{};
    for (int i = 0; i < kSampleCount; ++i)
        s[i] = std::uint8_t(from + step * i);
    return s;
}

} // namespace testing_support
