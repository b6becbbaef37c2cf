#include "acquisition/Defilement.h"

#include <QSignalSpy>
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

TEST(Defilement, ShowsEachFrameAfterTheOneItStartedFromThenStops)
{
    const qint64 heures[] = {0, 5, 7, 12};
    Defilement d;
    QSignalSpy montrees(&d, &Defilement::montre), fini(&d, &Defilement::fini);
    d.demarre(1, [&](qint64 n) { return n < 4 ? std::optional<qint64>(heures[n]) : std::nullopt; });
    ASSERT_TRUE(fini.wait(5000));
    ASSERT_EQ(montrees.size(), 2);
    EXPECT_EQ(montrees[0][0].toLongLong(), 2);
    EXPECT_EQ(montrees[1][0].toLongLong(), 3);
    EXPECT_FALSE(d.actif());
}
