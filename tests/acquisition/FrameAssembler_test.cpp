#include "acquisition/FrameAssembler.h"
#include "support/Frames.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using acquisition::FrameAssembler;

namespace {

// Records what the window would show, in order.
struct Recorder final : FrameAssembler::Sink
{
    std::vector<std::string> events;
    std::vector<QByteArray> frames;
    QByteArray shown;
    void rxStart() override { events.push_back("start"); }
    void rxStop() override { events.push_back("stop"); }
    void rxOverflow() override { events.push_back("overflow"); }
    void bufferShown(const QByteArray& b) override { shown = b; }
    void frame(const QByteArray& text) override
    {
        events.push_back("frame");
        frames.push_back(text);
    }
};

std::vector<QByteArray> feedAll(const QByteArray& stream, const std::vector<qsizetype>& cuts)
{
    FrameAssembler rx;
    Recorder sink;
    qsizetype from = 0;
    for (qsizetype cut : cuts) {
        rx.Reception(QByteArrayView(stream).sliced(from, cut - from), sink);
        EXPECT_TRUE(rx.rxState == acquisition::Waiting || rx.rxState == acquisition::Receiving);
        from = cut;
    }
    rx.Reception(QByteArrayView(stream).sliced(from), sink);
    return sink.frames;
}

} // namespace

TEST(FrameAssembler, StartInFirstChunkKeepsTheTextAfterIt)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception("abc\x04xyz", sink);
    EXPECT_EQ(rx.rxState, acquisition::Receiving);
    EXPECT_EQ(rx.rxBuffer, "xyz");
    EXPECT_EQ(sink.events, std::vector<std::string>{"start"});
}

TEST(FrameAssembler, TwoStartsKeepOnlyTheTextAfterTheSecond)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception("\x04one\x04two", sink);
    EXPECT_EQ(rx.rxBuffer, "two");
    EXPECT_EQ(sink.events, (std::vector<std::string>{"start", "start"}));
}

TEST(FrameAssembler, WholeFrameInOneChunkIsDecoded)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception("\x04hello;\x1b", sink);
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0], "hello"); // less the terminator and the end code
    EXPECT_EQ(sink.events, (std::vector<std::string>{"start", "stop", "frame"}));
    EXPECT_EQ(rx.rxState, acquisition::Waiting);
}

TEST(FrameAssembler, EndAloneInItsChunkCompletesTheFrame)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception("\x04"
                 "abcd",
                 sink);
    rx.Reception("\x1b", sink);
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0], "abc");
    EXPECT_EQ(sink.shown, "abcd\x1b");
}

TEST(FrameAssembler, StartRightAfterAnEndInTheSameChunkOpensTheNextFrame)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception("\x04"
                 "first;\x1b"
                 "junk\x04sec",
                 sink);
    rx.Reception("ond;\x1b", sink);
    EXPECT_EQ(sink.frames, (std::vector<QByteArray>{"first", "second"}));
}

TEST(FrameAssembler, StartInsideAFrameAbandonsThePartialOne)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception("\x04"
                 "cut short by a re",
                 sink);
    rx.Reception("set\x04whole;\x1b", sink);
    EXPECT_EQ(sink.frames, std::vector<QByteArray>{"whole"});
}

TEST(FrameAssembler, EndWhileWaitingIsIgnored)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception("noise\x1bnoise", sink);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(rx.rxState, acquisition::Waiting);
}

TEST(FrameAssembler, StartFollowedAtOnceByEndIsAnEmptyFrame)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception("\x04\x1b", sink);
    EXPECT_EQ(sink.frames, std::vector<QByteArray>{QByteArray()});
}

TEST(FrameAssembler, TimeoutDropsTheFrameAndWaitsForTheNextStart)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception("\x04partial", sink);
    rx.timeout();
    EXPECT_EQ(rx.rxState, acquisition::Waiting);
    rx.Reception("more text;\x1b", sink); // no start since the timeout
    EXPECT_TRUE(sink.frames.empty());
    rx.Reception("\x04next;\x1b", sink);
    EXPECT_EQ(sink.frames, std::vector<QByteArray>{"next"});
}

TEST(FrameAssembler, EndlessTextIsAbandonedAtTheCap)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception("\x04", sink);
    const QByteArray block(4096, 'x');
    for (int i = 0; i < 64; ++i)
        rx.Reception(block, sink); // 256 KiB without an end
    EXPECT_LE(rx.rxBuffer.size(), FrameAssembler::kMaxFrame);
    EXPECT_LE(sink.shown.size(), FrameAssembler::kMaxFrame + 1);
    EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "overflow"), 1);
    EXPECT_EQ(rx.rxState, acquisition::Waiting);
    rx.Reception("\x04ok;\x1b", sink);
    EXPECT_EQ(sink.frames, std::vector<QByteArray>{"ok"});
}

TEST(FrameAssembler, OneHugeChunkWithItsEndIsStillCapped)
{
    FrameAssembler rx;
    Recorder sink;
    rx.Reception(QByteArray(1, '\x04') + QByteArray(1 << 20, 'y') + ";\x1b" +
                     "\x04"
                     "after;\x1b",
                 sink);
    EXPECT_EQ(sink.frames, std::vector<QByteArray>{"after"});
}

// Whatever the chunking, the same stream gives the same frames.
TEST(FrameAssembler, ChunkBoundariesNeverChangeTheFrames)
{
    using namespace testing_support;
    QByteArray stream = "line noise";
    std::vector<QByteArray> expected;
    for (int k = 0; k < 12; ++k) {
        FrameFields f;
        f.ch1 = ramp(k, 3);
        f.time = k % 2 ? " 12u" : "100m";
        const QByteArray text = frameText(f);
        expected.push_back(text);
        stream += onWire(text);
        if (k % 3 == 0) stream += "\x1bgarbage\x1b"; // stray ends between frames
        if (k % 4 == 1)
            stream += "\x04"
                      "a frame whose end was lost"; // the next start abandons it
    }
    stream += "\x04\x1b"; // an empty frame last
    expected.push_back(QByteArray());

    EXPECT_EQ(feedAll(stream, {}), expected);
    std::vector<qsizetype> everyByte;
    for (qsizetype i = 1; i < stream.size(); ++i)
        everyByte.push_back(i);
    EXPECT_EQ(feedAll(stream, everyByte), expected);

    QRandomGenerator random(1234);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<qsizetype> cuts;
        qsizetype at = 0;
        while (true) {
            at += 1 + random.bounded(trial % 2 ? 8 : 600);
            if (at >= stream.size()) break;
            cuts.push_back(at);
        }
        ASSERT_EQ(feedAll(stream, cuts), expected) << "trial " << trial;
    }
}
