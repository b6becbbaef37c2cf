#include "acquisition/FrameDecoder.h"
#include "support/Frames.h"

#include <gtest/gtest.h>

using acquisition::decodeFrame;
using acquisition::hexPair;
using namespace testing_support;

TEST(FrameDecoder, HexPairs)
{
    const struct
    {
        const char* pair;
        int value;
        const char* why;
    } cases[] = {
        {"FF", 255, "upper case"},
        {"ff", 255, "lower case"},
        {"7F", 127, "mixed digits"},
        {"00", 0, "zero"},
        {"7G", 7, "reading stops at the first non-digit"},
        {"G7", 0, "no leading digit"},
        {"", 0, "missing past the end of a short frame"},
        {"A", 10, "half a pair at the very end"},
        {" 7", 0, "a blank is no digit"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hexPair(QByteArrayView(c.pair)), c.value) << c.why;
}

TEST(FrameDecoder, FieldsAtTheirPositions)
{
    FrameFields f;
    f.gain1 = "200mV";
    f.coupling1 = "ac";
    f.ch1 = ramp(0, 3);
    f.gain2 = "   5V";
    f.coupling2 = "dc";
    f.ch2 = ramp(255, -2);
    f.time = " 10u";
    f.trig = "Norm B   <";
    f.level = "c0";
    const auto d = decodeFrame(frameText(f));
    EXPECT_EQ(d.gain1, "200mV");
    EXPECT_TRUE(d.ac1);
    EXPECT_EQ(d.ch1, f.ch1);
    EXPECT_EQ(d.gain2, "   5V");
    EXPECT_FALSE(d.ac2);
    EXPECT_EQ(d.ch2, f.ch2);
    EXPECT_EQ(d.timeField, " 10u");
    EXPECT_EQ(d.trigText, "Norm B   <");
    EXPECT_EQ(d.trigLevel, 192);
}

TEST(FrameDecoder, CouplingIsAcOnlyForExactLowerCaseAc)
{
    for (const char* coupling : {"AC", "dc", "  ", "Ac", "a"}) {
        FrameFields f;
        f.coupling1 = coupling;
        f.coupling2 = coupling;
        const auto d = decodeFrame(frameText(f));
        EXPECT_FALSE(d.ac1) << coupling;
        EXPECT_FALSE(d.ac2) << coupling;
    }
}

TEST(FrameDecoder, UninterpretedPositionsChangeNothing)
{
    FrameFields f;
    f.ch1 = ramp(10, 2);
    f.ch2 = ramp(200, -1);
    const auto reference = decodeFrame(frameText(f));
    QByteArray text = frameText(f);
    const std::pair<int, int> free[] = {{1, 10}, {18, 18}, {179, 190}, {198, 198}, {359, 369}, {374, 376}};
    for (const auto& [from, to] : free)
        for (int p = from; p <= to; ++p)
            text[p - 1] = char(0x80 + p % 100);
    text += "anything after the trigger level";
    const auto d = decodeFrame(text);
    EXPECT_EQ(d.gain1, reference.gain1);
    EXPECT_EQ(d.ch1, reference.ch1);
    EXPECT_EQ(d.gain2, reference.gain2);
    EXPECT_EQ(d.ch2, reference.ch2);
    EXPECT_EQ(d.timeField, reference.timeField);
    EXPECT_EQ(d.trigText, reference.trigText);
    EXPECT_EQ(d.trigLevel, reference.trigLevel);
}

TEST(FrameDecoder, EmptyFrameReadsAsEmptyTextsAndZeros)
{
    const auto d = decodeFrame(QByteArrayView());
    EXPECT_TRUE(d.gain1.isEmpty());
    EXPECT_TRUE(d.gain2.isEmpty());
    EXPECT_FALSE(d.ac1);
    EXPECT_FALSE(d.ac2);
    EXPECT_EQ(d.ch1, Samples{});
    EXPECT_EQ(d.ch2, Samples{});
    EXPECT_TRUE(d.timeField.isEmpty());
    EXPECT_EQ(d.trigLevel, 0);
}

TEST(FrameDecoder, ShortFrameStopsWhereItEnds)
{
    FrameFields f;
    f.ch1 = ramp(1, 1);
    const QByteArray text = frameText(f).left(18 + 2 * 40 + 1); // ends inside sample 40
    const auto d = decodeFrame(text);
    EXPECT_EQ(d.gain1, "500mV");
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(d.ch1[i], f.ch1[i]);
    EXPECT_EQ(d.ch1[40], 2) << "half a pair: its one digit"; // "29" cut to "2"
    for (int i = 41; i < kSampleCount; ++i)
        EXPECT_EQ(d.ch1[i], 0);
    EXPECT_TRUE(d.gain2.isEmpty());
    EXPECT_TRUE(d.timeField.isEmpty());
}
