#include "measure/Curseurs.h"

#include <gtest/gtest.h>
#include <limits>

using Curseurs::position;

TEST(Curseurs, PositionRoundsHalfToEvenAndClamps)
{
    const struct
    {
        float x;
        int expected;
        const char* why;
    } cases[] = {
        {0.5f, 0, "half goes to even 0"},
        {1.5f, 2, "half goes to even 2"},
        {2.5f, 2, "half goes to even 2"},
        {1234.4f, 1234, "nearest"},
        {0.f, 0, "left edge"},
        {-20.f, 0, "left of the screen"},
        {4935.f, 4935, "right edge"},
        {4935.4f, 4935, "just inside"},
        {4936.f, 4935, "right of the screen"},
        {1e6f, 4935, "far outside: would overflow 16 bits if rounded first"},
        {-1e9f, 0, "far outside on the other side"},
        {std::numeric_limits<float>::infinity(), 4935, "no overflow at all"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(position(c.x, 4935), c.expected) << c.x << ": " << c.why;
}

TEST(Curseurs, WhichCursorMovesForWhichButtonsAndKeys)
{
    constexpr int L = 1, R = 2, M = 4, Shift = 1, Ctrl = 2, Alt = 4;
    const struct
    {
        int button, shift;
        bool temps, tension;
        Curseurs::Positions expected;
        bool time, voltage;
        const char* why;
    } cases[] = {
        {L, 0, true, true, {100, 0, 0, 0}, true, false, "left moves time cursor 1"},
        {R, 0, true, true, {0, 100, 0, 0}, true, false, "right moves time cursor 2"},
        {L | R, 0, true, true, {100, 100, 0, 0}, true, false, "both buttons move both"},
        {M, 0, true, true, {0, 0, 0, 0}, true, false, "middle moves nothing but recomputes"},
        {L, Shift, true, true, {0, 0, 200, 0}, false, true, "Shift: voltage cursor 1"},
        {R, Shift, true, true, {0, 0, 0, 200}, false, true, "Shift: voltage cursor 2"},
        {L, Ctrl, true, true, {0, 0, 0, 0}, false, false, "Ctrl moves nothing"},
        {L, Alt, true, true, {0, 0, 0, 0}, false, false, "Alt moves nothing"},
        {L, Shift | Ctrl, true, true, {0, 0, 0, 0}, false, false, "Shift with Ctrl moves nothing"},
        {L, 0, false, true, {0, 0, 0, 0}, false, false, "time cursors off"},
        {L, Shift, true, false, {0, 0, 0, 0}, false, false, "voltage cursors off"},
        {0, 0, true, true, {0, 0, 0, 0}, false, false, "no button held"},
    };
    for (const auto& c : cases) {
        Curseurs::Positions p;
        const auto handled = Curseurs::bouge(p, c.button, c.shift, 100, 200, 4935, 3945, c.temps, c.tension);
        EXPECT_EQ(p.oldX, c.expected.oldX) << c.why;
        EXPECT_EQ(p.oldX2, c.expected.oldX2) << c.why;
        EXPECT_EQ(p.oldY, c.expected.oldY) << c.why;
        EXPECT_EQ(p.oldY2, c.expected.oldY2) << c.why;
        EXPECT_EQ(handled.time, c.time) << c.why;
        EXPECT_EQ(handled.voltage, c.voltage) << c.why;
    }
}
