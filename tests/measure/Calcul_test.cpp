#include "measure/Calcul.h"

#include <gtest/gtest.h>

namespace {
Samples filled(int v)
{
    Samples s;
    s.fill(std::uint8_t(v));
    return s;
}
Samples alternating(int a, int b)
{
    Samples s;
    for (int i = 0; i < kSampleCount; ++i)
        s[i] = std::uint8_t(i % 2 ? b : a);
    return s;
}
} // namespace

TEST(CalculMesures, Table)
{
    Samples oneLow = filled(200);
    oneLow[37] = 7;
    Samples sum40{}; // 40 / 80 = 0.5: to the even neighbour
    sum40[0] = 40;
    Samples sum120{}; // 120 / 80 = 1.5: to the even neighbour
    sum120[0] = 120;
    const struct
    {
        Samples samples;
        Calcul::Mesures expected;
        const char* why;
    } cases[] = {
        {filled(255), {255, 255, 255, 0}, "all at the top: the sum 20400 fits 16 bits"},
        {filled(0), {0, 0, 0, 0}, "all at the bottom"},
        {alternating(0, 255), {0, 255, 128, 255}, "mean 127.5 goes to 128"},
        {oneLow, {7, 200, 198, 193}, "15807 / 80 = 197.59"},
        {sum40, {0, 40, 0, 40}, "0.5 goes to 0"},
        {sum120, {0, 120, 2, 120}, "1.5 goes to 2"},
    };
    for (const auto& c : cases) {
        Calcul::Mesures m1, m2;
        Calcul::CalculMesures(c.samples, c.samples, true, true, m1, m2);
        EXPECT_EQ(m1, c.expected) << c.why;
        EXPECT_EQ(m2, c.expected) << c.why;
    }
}

TEST(CalculMesures, HiddenChannelReadsZeroAndLeavesTheOtherAlone)
{
    Calcul::Mesures m1, m2;
    Calcul::CalculMesures(filled(90), filled(170), true, false, m1, m2);
    EXPECT_EQ(m1, (Calcul::Mesures{90, 90, 90, 0}));
    EXPECT_EQ(m2, Calcul::Mesures{}) << "min is 0, not 255";
    Calcul::CalculMesures(filled(90), filled(170), false, true, m1, m2);
    EXPECT_EQ(m1, Calcul::Mesures{});
    EXPECT_EQ(m2, (Calcul::Mesures{170, 170, 170, 0}));
}
