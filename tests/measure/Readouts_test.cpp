// Tests of the cursor readout texts (measure/Readouts.h).
#include "measure/Readouts.h"
#include "support/Locales.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

using testing_support::cLocale;
using testing_support::frLocale;
using testing_support::inLocale;

struct UnitCase
{
    const char* text;
    const char* unit;
    const char* reason;
};

TEST(ReadoutsTimeUnit, Table)
{
    const UnitCase cases[] = {
        {"100ms", "ms", "the usual form"},
        {" 10us", "us", "the usual form"},
        {"   1s", "s", "'1' before the s"},
        {"  10s", "s", "'0' before the s"},
        {"  1ms", "ms", "first of the two is the m"},
        {"  5us", "us", "first of the two is the u"},
        {"  2ns", "ns", "unknown units are still two letters"},
        {"   5s", "s", "any digit before a lone s belongs to the number"},
        {"100mS", "mS", "kept as written (case-sensitive)"},
        {"ms", "ms", "exactly two characters"},
        {"s", "s", "shorter than two: the whole text"},
        {"", "", "empty text"},
        {"10", "0", "the rule applies to a two-character text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(Readouts::timeUnit(QString::fromLatin1(c.text)).toStdString(),
                  QString::fromLatin1(c.unit).toStdString())
            << c.text;
    }
}

TEST(ReadoutsVoltageUnit, Table)
{
    const UnitCase cases[] = {
        {"500mV", "mV", "the usual form"},
        {"   2V", "V", "the usual form"},
        {"  20V", "V", "digit before the V"},
        {"  5kV", "V", "only an m is kept"},
        {"  5MV", "V", "case-sensitive: M is not m"},
        {"mV", "mV", "exactly two characters"},
        {"V", "V", "shorter than two: the whole text"},
        {"m", "m", "shorter than two: the whole text"},
        {"", "", "empty text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(Readouts::voltageUnit(QString::fromLatin1(c.text)).toStdString(),
                  QString::fromLatin1(c.unit).toStdString())
            << c.text;
    }
}

struct TimeCase
{
    const char* timeBase;
    int oldX, oldX2, w;
    const char *t1, *t2, *tdiff;
    const char* frq; // nullptr: frequency label left unchanged
    const char* reason;
};

const TimeCase timeCases[] = {
    {"100ms", 1250, 3750, 5000, "250ms", "750ms", "500.0ms", "2.00Hz", "documented case"},
    {"100ms", 1250, 1250, 5000, "250ms", "250ms", "0.0ms", "inf", "no difference"},
    {"100ms", 3750, 1250, 5000, "750ms", "250ms", "500.0ms", "2.00Hz",
     "cursor 2 left of cursor 1: difference positive"},
    {" 10us", 0, 5000, 5000, "0us", "100us", "100.0us", "10.000kHz", "microseconds"},
    {"   1s", 0, 2500, 5000, "0s", "5s", "5.0s", "0.200Hz", "seconds"},
    {" 20us", 0, 500, 5000, "0us", "20us", "20.0us", "50.000kHz", "20 us gives 50.000kHz"},
    {"2.5ms", 0, 500, 5000, "0ms", "2.5ms", "2.5ms", "400.00Hz", "2.5 ms gives 400.00Hz"},
    {"   1s", 0, 1000, 5000, "0s", "2s", "2.0s", "0.500Hz", "2 s gives 0.500Hz"},
    {"   2s", 0, 500, 5000, "0s", "2s", "2.0s", "0.500Hz", "2 s/div is seconds, not a unit \"2s\""},
    {"  10s", 0, 5000, 5000, "0s", "100s", "100.0s", "0.010Hz", "unit s after a 0"},
    {"100ms", 1, 3, 4000, "0.3ms", "0.8ms", "0.5ms", "2000.00Hz",
     "T1 0.25 and T2 0.75: halves away from zero"},
    {"100ms", -1, 0, 4000, "-0.3ms", "0ms", "0.3ms", "4000.00Hz",
     "negative time, half away from zero; dT 0.25 rounded to 0.3"},
    {"100ms", 3, 0, 5000, "0.6ms", "0ms", "0.6ms", "1666.67Hz", "float dT of 0.6000000000000001"},
    {" 10us", 0, 1500, 5000, "0us", "30us", "30.0us", "33.333kHz", "three decimals of kHz"},
    {"100ms", 32767, 0, 5000, "6553.4ms", "0ms", "6553.4ms", "0.15Hz",
     "largest cursor position, no grouping"},
    {"  2ns", 0, 2500, 5000, "0ns", "10ns", "10.0ns", nullptr,
     "unknown unit: frequency unchanged, others carry ns"},
    {"100mS", 0, 2500, 5000, "0mS", "500mS", "500.0mS", nullptr, "unit compared case-sensitively"},
    {"  2ns", 100, 100, 5000, "0.4ns", "0.4ns", "0.0ns", "inf", "no difference gives inf whatever the unit"},
    {"   ms", 1250, 3750, 5000, "0ms", "0ms", "0.0ms", "inf", "time base with no number counts as 0"},
    {"100ms", 10, 20, 0, "0ms", "0ms", "0.0ms", "inf", "width 0 guarded: no division"},
};

TEST(ReadoutsTime, TableInCAndFrenchLocales)
{
    for (const QLocale& locale : {cLocale, frLocale}) {
        SCOPED_TRACE(locale.name().toStdString());
        for (const auto& c : timeCases) {
            SCOPED_TRACE(c.reason);
            const auto r =
                Readouts::timeReadouts(QString::fromLatin1(c.timeBase), c.oldX, c.oldX2, c.w, locale);
            EXPECT_EQ(r.t1.toStdString(), inLocale(c.t1, locale).toStdString());
            EXPECT_EQ(r.t2.toStdString(), inLocale(c.t2, locale).toStdString());
            EXPECT_EQ(r.tdiff.toStdString(), inLocale(c.tdiff, locale).toStdString());
            if (c.frq) {
                ASSERT_TRUE(r.frq.has_value());
                EXPECT_EQ(r.frq->toStdString(), inLocale(c.frq, locale).toStdString());
            } else {
                EXPECT_FALSE(r.frq.has_value()) << r.frq.value_or(QString()).toStdString();
            }
        }
    }
}

TEST(ReadoutsTime, FrenchDecimalComma)
{
    const auto r = Readouts::timeReadouts(QStringLiteral("100ms"), 1250, 3750, 5000, frLocale);
    EXPECT_EQ(r.tdiff.toStdString(), QStringLiteral("500,0ms").toStdString());
    EXPECT_EQ(r.frq.value_or(QString()).toStdString(), "2,00Hz");
    const auto s = Readouts::timeReadouts(QStringLiteral("100ms"), 1, 3, 4000, frLocale);
    EXPECT_EQ(s.t1.toStdString(), "0,3ms");
}

struct VoltageCase
{
    const char* gain;
    int oldY, oldY2, h;
    const char *v1, *v2, *diff;
    const char* reason;
};

const VoltageCase voltageCases[] = {
    {"500mV", 0, 0, 4000, "2000mV", "2000mV", "0mV", "top edge"},
    {"500mV", 2000, 2000, 4000, "0mV", "0mV", "0mV", "centre line"},
    {"500mV", 4000, 4000, 4000, "-2000mV", "-2000mV", "0mV", "bottom edge"},
    {"500mV", 1000, 3000, 4000, "1000mV", "-1000mV", "2000mV", "channel 1"},
    {"   2V", 1000, 3000, 4000, "4V", "-4V", "8V", "channel 2"},
    {"500mV", 3000, 1000, 4000, "-1000mV", "1000mV", "-2000mV",
     "cursor 2 above cursor 1: difference negative"},
    {"   2V", 3000, 1000, 4000, "-4V", "4V", "-8V", "cursor 2 above cursor 1 in volts"},
    {"500mV", 1200, 2000, 4000, "800mV", "0mV", "800mV", "d1 = 1.6 gives 800mV"},
    {"   2V", 2650, 2000, 4000, "-2.6V", "0V", "-2.6V", "d1 = -1.3 gives -2.6V"},
    {"500mV", 1, 0, 4000, "2000mV", "2000mV", "-1mV", "divisions rounded before the gain, difference after"},
    {"  5mV", 0, 5, 4000, "20mV", "20mV", "0.1mV", "difference 0.05 rounds away from zero"},
    {"  5mV", 5, 0, 4000, "20mV", "20mV", "-0.1mV", "difference -0.05 rounds away from zero"},
    {"   2V", 25, 4025, 4000, "8V", "-8.2V", "16V", "divisions 3.95 and -4.05: halves away from zero"},
    {"   2V", 50, 1950, 4000, "7.8V", "0.2V", "7.6V", "fractions of a volt"},
    {"    V", 1000, 4000, 4000, "0V", "0V", "0V", "gain with no number: all 0, no minus sign"},
    {"500mV", 10, 20, 0, "0mV", "0mV", "0mV", "height 0 guarded: no division"},
};

TEST(ReadoutsVoltage, TableInCAndFrenchLocales)
{
    for (const QLocale& locale : {cLocale, frLocale}) {
        SCOPED_TRACE(locale.name().toStdString());
        for (const auto& c : voltageCases) {
            SCOPED_TRACE(c.reason);
            const auto r =
                Readouts::voltageReadouts(QString::fromLatin1(c.gain), c.oldY, c.oldY2, c.h, locale);
            EXPECT_EQ(r.v1.toStdString(), inLocale(c.v1, locale).toStdString());
            EXPECT_EQ(r.v2.toStdString(), inLocale(c.v2, locale).toStdString());
            EXPECT_EQ(r.diff.toStdString(), inLocale(c.diff, locale).toStdString());
        }
    }
}

TEST(ReadoutsVoltage, FrenchDecimalComma)
{
    const auto r = Readouts::voltageReadouts(QStringLiteral("   2V"), 2650, 2000, 4000, frLocale);
    EXPECT_EQ(r.v1.toStdString(), QStringLiteral("-2,6V").toStdString());
}

} // namespace

TEST(Readouts, ScalePerDivisionFromTheTextsNumberAndUnit)
{
    const struct
    {
        const char* text;
        bool gain;
        std::optional<double> scale;
    } cases[] = {
        {"100ms", false, 0.1},    {" 10us", false, 1e-5},        {"   1s", false, 1.0},
        {" 50ns", false, 5e-8},   {"s", false, std::nullopt},    {"100xs", false, std::nullopt},
        {"500mV", true, 0.5},     {"   2V", true, 2.0},          {" 10uV", true, 1e-5},
        {"", true, std::nullopt}, {"  1V ", true, std::nullopt}, {"   V", true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromLatin1(c.text);
        const std::optional<double> scale =
            c.gain ? Readouts::voltsPerDivision(text) : Readouts::secondsPerDivision(text);
        ASSERT_EQ(scale.has_value(), c.scale.has_value());
        if (scale) {
            EXPECT_DOUBLE_EQ(*scale, *c.scale);
        }
    }
}
