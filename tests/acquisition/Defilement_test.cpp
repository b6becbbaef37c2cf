#include "acquisition/Defilement.h"

#include <gtest/gtest.h>

using acquisition::Defilement;

TEST(Defilement, WaitsWhatSeparatedTheFramesWithinItsBound)
{
    const struct
    {
        qint64 avant, apres, attente;
        const char* reason;
    } cases[] = {{1000, 1034, 34, "the board's pace"},
                 {1000, 1000, 0, "two frames in the same millisecond"},
                 {1000, 900, 0, "a clock set back"},
                 {0, 3'600'000, Defilement::kPauseMaxMs, "an hour unplugged"}};
    for (const auto& c : cases)
        EXPECT_EQ(Defilement::attente(c.avant, c.apres), c.attente) << c.reason;
}
