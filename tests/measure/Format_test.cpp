// Tests of the number rules (measure/Format.h): the number a text begins with, rounding
// to decimals and to integers, and the "shown as a number" text.
#include "measure/Format.h"
#include "support/Locales.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using testing_support::cLocale;
using testing_support::frLocale;
using testing_support::inLocale;

struct LeadingCase
{
    const char* text;
    double expected;
    const char* reason;
};

TEST(FormatLeadingNumber, Table)
{
    const LeadingCase cases[] = {
        {"100ms", 100, "digits then unit letters"},
        {" 10us", 10, "one leading blank skipped"},
        {"500mV", 500, "gain text"},
        {"   2V", 2, "three leading blanks skipped"},
        {"12u", 12, "stops at the unit letter"},
        {"ms", 0, "no number at the start gives 0"},
        {"", 0, "empty text gives 0"},
        {".5V", 0.5, "fraction without integer digits"},
        {"5.", 5, "point without fraction digits"},
        {".", 0, "a lone point is no number"},
        {"-2.5V", -2.5, "leading minus sign"},
        {"+3s", 3, "leading plus sign"},
        {"  -.5", -0.5, "blanks, sign and bare fraction"},
        {"-", 0, "a lone sign is no number"},
        {"- 5", 0, "a blank after the sign stops the reading"},
        {"\t7", 7, "a tab is a blank"},
        {"1.2.3", 1.2, "the second point cannot continue the number"},
        {"0012", 12, "leading zeros"},
        {"12 3", 12, "a blank inside stops the reading"},
        {"1e3x", 1000, "exponent"},
        {"1E-2", 0.01, "upper-case E and negative exponent"},
        {"2.5e+1s", 25, "exponent with plus sign"},
        {"1e", 1, "an e without digits is not part of the number"},
        {"1e+", 1, "an e and sign without digits is not part of the number"},
        {"1ms", 1, "the m of a unit is no exponent"},
        {"7es", 7, "e followed by a letter is not an exponent"},
        {"x12", 0, "a letter before the digits gives 0"},
        {"1e-999", 0, "underflow gives 0"},
        {"\xef\xbc\x91\xef\xbc\x92", 0, "full-width digits are not digits"},
        {"0.1", 0.1, "correctly rounded conversion"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Format::leadingNumber(QString::fromUtf8(c.text)), c.expected);
    }
}

TEST(FormatLeadingNumber, OverflowGivesSignedInfinity)
{
    // Beyond the double range: the sign is kept, the magnitude becomes infinite.
    EXPECT_EQ(Format::leadingNumber(u"1e999V"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Format::leadingNumber(u"-1e999"), -std::numeric_limits<double>::infinity());
}

struct RoundIntCase
{
    double v;
    int expected;
    const char* reason;
};

TEST(FormatRoundHalfEven, Table)
{
    const RoundIntCase cases[] = {
        {0.5, 0, "half to the even neighbour 0"},
        {1.5, 2, "half to the even neighbour 2"},
        {2.5, 2, "half to the even neighbour 2, not away from zero"},
        {3.5, 4, "half to the even neighbour 4"},
        {-0.5, 0, "negative half to 0"},
        {-1.5, -2, "negative half to -2"},
        {-2.5, -2, "negative half to -2"},
        {2.4, 2, "below half rounds down"},
        {2.6, 3, "above half rounds up"},
        {-2.6, -3, "negative above half rounds away"},
        {0.49999999999999994, 0, "largest double below 0.5 is not a half"},
        {0.0, 0, "zero"},
        {1000000000.5, 1000000000, "large exact half to even"},
        {255.0, 255, "whole value unchanged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(Format::roundHalfEven(c.v), c.expected) << c.v;
    }
}

TEST(FormatRoundHalfEvenInt16, Table)
{
    const RoundIntCase cases[] = {
        {1.5, 2, "ordinary half to even"},
        {-32768.4, -32768, "rounds into range"},
        {32767.4, 32767, "rounds into range"},
        {40000.0, 32767, "clamped at the top"},
        {-40000.0, -32768, "clamped at the bottom"},
        {std::numeric_limits<double>::quiet_NaN(), 0, "NaN gives 0"},
        {std::numeric_limits<double>::infinity(), 32767, "infinity clamped"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(Format::roundHalfEvenInt16(c.v), c.expected) << c.v;
    }
}

struct DecimalCase
{
    double v;
    int decimals;
    double rounded;   // roundDecimals
    const char* text; // fixed, C locale
    const char* reason;
};

const DecimalCase decimalCases[] = {
    {0.15, 1, 0.2, "0.2", "0.15 is a half as a person reads it (binary 0.1499...)"},
    {2.25, 1, 2.3, "2.3", "exact half away from zero, not to even"},
    {-2.25, 1, -2.3, "-2.3", "negative half away from zero"},
    {1.005, 2, 1.01, "1.01", "1.005 at two decimals (binary 1.00499...)"},
    {2.675, 2, 2.68, "2.68", "2.675 at two decimals (binary 2.67499...)"},
    {0.05, 1, 0.1, "0.1", "half at the first decimal"},
    {0.04, 1, 0.0, "0.0", "rounds down to zero"},
    {-0.04, 1, 0.0, "0.0", "negative value rounding to zero has no sign"},
    {-0.05, 1, -0.1, "-0.1", "negative half keeps its sign"},
    {-0.0, 1, 0.0, "0.0", "negative zero written without sign"},
    {0.0, 3, 0.0, "0.000", "zero with three decimals"},
    {9.95, 1, 10.0, "10.0", "carry into a new integer digit"},
    {99.95, 1, 100.0, "100.0", "carry through several nines"},
    {0.1 + 0.2, 1, 0.3, "0.3", "floating noise below 15 digits is ignored"},
    {1.0 / 3.0, 3, 0.333, "0.333", "repeating fraction"},
    {2.0, 2, 2.0, "2.00", "padded with zeros"},
    {50.0, 3, 50.0, "50.000", "three decimals of a whole value"},
    {0.0005, 3, 0.001, "0.001", "half at the third decimal"},
    {0.0004999, 3, 0.0, "0.000", "just below a half"},
    {1e-20, 1, 0.0, "0.0", "tiny value rounds to zero"},
    {1234567.25, 1, 1234567.3, "1234567.3", "no thousands separator"},
    {123.456, 0, 123.0, "123", "no decimals: no separator"},
    {0.5, 0, 1.0, "1", "half to integer goes away from zero, not to even"},
    {2.5, 0, 3.0, "3", "half to integer goes away from zero"},
    {-0.5, 0, -1.0, "-1", "negative half to integer"},
    {2.5, -1, 3.0, "3", "negative decimals count as none"},
    {1e15, 1, 1e15, "1000000000000000.0", "large value without exponent notation"},
    {2000.0000000000002, 2, 2000.0, "2000.00", "float noise of f*1000"},
};

TEST(FormatRoundDecimals, Table)
{
    for (const auto& c : decimalCases) {
        SCOPED_TRACE(c.reason);
        const double r = Format::roundDecimals(c.v, c.decimals);
        EXPECT_EQ(r, c.rounded) << c.v << " at " << c.decimals;
        EXPECT_FALSE(std::signbit(r) && r == 0.0) << "a zero result carries no sign";
    }
}

TEST(FormatFixed, TableInCAndFrenchLocales)
{
    for (const QLocale& locale : {cLocale, frLocale}) {
        SCOPED_TRACE(locale.name().toStdString());
        for (const auto& c : decimalCases) {
            SCOPED_TRACE(c.reason);
            EXPECT_EQ(Format::fixed(c.v, c.decimals, locale).toStdString(),
                      inLocale(c.text, locale).toStdString());
        }
    }
}

TEST(FormatFixed, FrenchUsesDecimalCommaAndNoGrouping)
{
    // French groups thousands with a space; the format patterns never group.
    EXPECT_EQ(Format::fixed(500.0, 1, frLocale).toStdString(), QStringLiteral("500,0").toStdString());
    EXPECT_EQ(Format::fixed(1234567.0, 2, frLocale).toStdString(),
              QStringLiteral("1234567,00").toStdString());
}

TEST(FormatFixed, NonFinite)
{
    // Not reachable from the board's texts; written readably rather than as digits.
    EXPECT_EQ(Format::fixed(std::numeric_limits<double>::infinity(), 2, cLocale).toStdString(),
              QStringLiteral("inf").toStdString());
    EXPECT_EQ(Format::fixed(-std::numeric_limits<double>::infinity(), 2, cLocale).toStdString(),
              QStringLiteral("-inf").toStdString());
    EXPECT_EQ(Format::fixed(std::numeric_limits<double>::quiet_NaN(), 2, cLocale).toStdString(),
              QStringLiteral("nan").toStdString());
}

struct ShownCase
{
    float v;
    const char* text; // C locale
    const char* reason;
};

TEST(FormatShown, TableInCAndFrenchLocales)
{
    const ShownCase cases[] = {
        {12.5f, "12.5", "a fraction"},
        {12.f, "12", "whole number without separator"},
        {-625.f, "-625", "negative"},
        {0.f, "0", "zero"},
        {-0.f, "0", "negative zero has no sign"},
        {0.1f, "0.1", "shortest text of 0.100000001..."},
        {0.3f, "0.3", "shortest text of 0.300000011..."},
        {-2.6f, "-2.6", "negative fraction"},
        {800.0000238f, "800", "float of d1*g with noise"},
        {1234567.8f, "1234568", "more than 7 digits needed: rounded to 7"},
        {123456.7f, "123456.7", "exactly 7 significant digits"},
        {1.0f / 3.0f, "0.3333333", "7 significant digits of a third"},
        {16777216.f, "16777220", "2^24 rounded to 7 digits, no exponent"},
        {1e10f, "10000000000", "large whole value without exponent"},
        {1.5e-5f, "0.000015", "small value without exponent"},
        {1e-7f, "0.0000001", "leading zeros after the separator"},
        {100.f, "100", "trailing zeros of a whole number are kept"},
        {6553.4f, "6553.4", "largest time at 100ms"},
        {3.4028235e38f, "340282300000000000000000000000000000000", "largest float written out"},
    };
    for (const QLocale& locale : {cLocale, frLocale}) {
        SCOPED_TRACE(locale.name().toStdString());
        for (const auto& c : cases) {
            SCOPED_TRACE(c.reason);
            EXPECT_EQ(Format::shown(c.v, locale).toStdString(), inLocale(c.text, locale).toStdString());
        }
    }
}

TEST(FormatShown, FrenchExample)
{
    EXPECT_EQ(Format::shown(12.5f, frLocale).toStdString(), QStringLiteral("12,5").toStdString());
}

TEST(FormatShown, NonFinite)
{
    EXPECT_EQ(Format::shown(std::numeric_limits<float>::infinity(), cLocale).toStdString(),
              QStringLiteral("inf").toStdString());
    EXPECT_EQ(Format::shown(-std::numeric_limits<float>::infinity(), cLocale).toStdString(),
              QStringLiteral("-inf").toStdString());
    EXPECT_EQ(Format::shown(std::numeric_limits<float>::quiet_NaN(), cLocale).toStdString(),
              QStringLiteral("nan").toStdString());
}

TEST(FormatInteger, Table)
{
    const struct
    {
        int v;
        const char* text;
        const char* reason;
    } cases[] = {
        {0, "0", "zero"},
        {128, "128", "no sign, no blanks"},
        {255, "255", "largest code"},
        {-5, "-5", "negative with minus sign"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(Format::integer(c.v).toStdString(), QString::fromLatin1(c.text).toStdString());
    }
}

TEST(FormatDuree, Table)
{
    const std::pair<qint64, const char*> cases[] = {{0, "0:00:00"},
                                                    {7999, "0:00:07"},
                                                    {3'723'000, "1:02:03"},
                                                    {90'000'000, "25:00:00"},
                                                    {-5000, "0:00:00"}};
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(Format::duree(ms), QString::fromLatin1(text)) << ms;
}

TEST(FormatDecimalSeparator, ByLocale)
{
    EXPECT_EQ(Format::decimalSeparator(cLocale), QChar(u'.'));
    EXPECT_EQ(Format::decimalSeparator(frLocale), QChar(u','));
}

} // namespace
