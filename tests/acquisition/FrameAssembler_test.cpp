#include "acquisition/FrameAssembler.h"
#include "support/Frames.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using acquisition::FrameAssembler;
using acquisition::RxState;

namespace {

// Records what the window would show, in order; a frame as "frame:" and its text.
struct Recorder final : FrameAssembler::Sink
{
    explicit Recorder(const FrameAssembler& rx) : rx(rx) {}
    const FrameAssembler& rx;
    std::vector<std::string> events;
    std::vector<QByteArray> frames;
    QByteArray shown;
    void rxStart() override { events.push_back("start"); }
    void rxStop() override { events.push_back("stop"); }
    void rxOverflow() override { events.push_back("overflow"); }
    void bufferShown(const QByteArray& b) override { shown = b; }
    void frame(const QByteArray& text) override
    {
        EXPECT_EQ(rx.rxState(), RxState::Complete) << "while the decoder runs";
        events.push_back("frame:" + text.toStdString());
        frames.push_back(text);
    }
};

// One step of a case: a chunk received `times` over, or a tick of the timeout.
struct Step
{
    QByteArray chunk;
    int times = 1;
    bool tick = false;
};
const Step kTick{{}, 0, true};

std::vector<QByteArray> feedAll(const QByteArray& stream, const std::vector<qsizetype>& cuts)
{
    FrameAssembler rx;
    Recorder sink(rx);
    qsizetype from = 0;
    for (qsizetype cut : cuts) {
        rx.Reception(QByteArrayView(stream).sliced(from, cut - from), sink);
        // Between chunks the state is what the bytes so far say: inside a frame after a start
        // that no end has closed yet, with the text since that start.
        const QByteArrayView sofar = QByteArrayView(stream).first(cut);
        const qsizetype start = sofar.lastIndexOf(FrameAssembler::kStart);
        const bool inside = start >= 0 && start > sofar.lastIndexOf(FrameAssembler::kEnd);
        EXPECT_EQ(rx.rxState(), inside ? RxState::Receiving : RxState::Waiting) << "at " << cut;
        if (inside) {
            EXPECT_EQ(rx.rxBuffer(), sofar.sliced(start + 1).toByteArray()) << "at " << cut;
        }
        from = cut;
    }
    rx.Reception(QByteArrayView(stream).sliced(from), sink);
    return sink.frames;
}

} // namespace

TEST(FrameAssembler, ChunksGiveTheseEventsAndFrames)
{
    const QByteArray huge = QByteArray(1, FrameAssembler::kStart) + QByteArray(1 << 20, 'y') + ";\x1b";
    const struct
    {
        const char* why;
        std::vector<Step> steps;
        std::vector<std::string> events;
        RxState state;
        QByteArray buffer; // after a frame, the text the decoder got
        QByteArray shown;
    } cases[] = {
        {"text before a start is noise, the text after it is kept",
         {{"abc\x04xyz"}},
         {"start"},
         RxState::Receiving,
         "xyz",
         "xyz"},
        {"a second start keeps only the text after it",
         {{"\x04one\x04two"}},
         {"start", "start"},
         RxState::Receiving,
         "two",
         "two"},
        {"a whole frame in one chunk, less its last character and the end code",
         {{"\x04hello;\x1b"}},
         {"start", "stop", "frame:hello"},
         RxState::Waiting,
         "hello",
         "hello;\x1b"},
        {"an end alone in its chunk completes the frame",
         {{"\x04"
           "abcd"},
          {"\x1b"}},
         {"start", "stop", "frame:abc"},
         RxState::Waiting,
         "abc",
         "abcd\x1b"},
        {"a start after an end in the same chunk opens the next frame",
         {{"\x04"
           "first;\x1bjunk\x04sec"},
          {"ond;\x1b"}},
         {"start", "stop", "frame:first", "start", "stop", "frame:second"},
         RxState::Waiting,
         "second",
         "second;\x1b"},
        {"a start inside a frame (a board reset) abandons the partial one",
         {{"\x04"
           "cut short by a re"},
          {"set\x04whole;\x1b"}},
         {"start", "start", "stop", "frame:whole"},
         RxState::Waiting,
         "whole",
         "whole;\x1b"},
        {"an end while waiting is noise", {{"noise\x1bnoise"}}, {}, RxState::Waiting, "", ""},
        {"a start followed at once by its end is an empty frame",
         {{"\x04\x1b"}},
         {"start", "stop", "frame:"},
         RxState::Waiting,
         "",
         "\x1b"},
        {"after a timeout, text is ignored until the next start",
         {{"\x04partial"}, kTick, {"more text;\x1b"}, {"\x04next;\x1b"}},
         {"start", "start", "stop", "frame:next"},
         RxState::Waiting,
         "next",
         "next;\x1b"},
        {"endless text is given up at the cap (256 KiB here), then a frame goes through",
         {{"\x04"}, {QByteArray(4096, 'x'), 64}, {"\x04ok;\x1b"}},
         {"start", "overflow", "start", "stop", "frame:ok"},
         RxState::Waiting,
         "ok",
         "ok;\x1b"},
        {"one chunk holding a frame past the cap, with its end",
         {{huge + "\x04"
                  "after;\x1b"}},
         {"start", "overflow", "start", "stop", "frame:after"},
         RxState::Waiting,
         "after",
         "after;\x1b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        FrameAssembler rx;
        Recorder sink(rx);
        for (const Step& step : c.steps) {
            if (step.tick) rx.timeout();
            for (int i = 0; i < step.times; ++i) {
                rx.Reception(step.chunk, sink);
                ASSERT_LE(rx.rxBuffer().size(), FrameAssembler::kMaxFrame);
                ASSERT_LE(sink.shown.size(), FrameAssembler::kMaxFrame + 1);
            }
        }
        EXPECT_EQ(sink.events, c.events);
        EXPECT_EQ(rx.rxState(), c.state);
        EXPECT_EQ(rx.rxBuffer(), c.buffer);
        EXPECT_EQ(sink.shown, c.shown);
    }
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
