#pragma once

// The layout of a fuzz input, shared by the fuzzer and the seed writer. It is read with
// FuzzedDataProvider: step codes and their arguments come off the END of the input, the wire
// bytes of each chunk off the FRONT, so a seed is the wire stream followed by its steps
// written backwards (Encoder does that).
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <limits>
#include <string>
#include <vector>

namespace fuzzing {

// One byte, taken modulo 16.
enum StepKind : std::uint8_t {
    Timeout = 0, // a tick of the receive timeout (Timer1)
    Mode = 1,    // XY when `flag`, time domain otherwise
    RunStop = 2, // toggles chkRunStop
    Mouse = 3,   // one event: `event` 0 down, 1 move, 2 up at points[0]
    Drag = 4,    // down at points[0], a move at each further point but the last, up at the last
    Offset = 5,  // slider of `channel` (1..4) to `value` (0..256); 257 presses its reset button
    Channel = 6, // toggles CH(2) when `flag`, CH(1) otherwise
    Events = 7,  // delivers posted events: repaints of the shown window
    Chunk = 8    // 8..15: `bytes` (1..kChunkMax of them) through Reception
};

constexpr std::size_t kChunkMax = 4096;
// Steps run per input; the rest is ignored. Every step may redraw the whole screen, and an
// input of a few kilobytes would otherwise be thousands of redraws, a slow unit that tells
// nothing more than its first few hundred steps.
constexpr int kMaxSteps = 512;
constexpr int kMaxMoves = 7;

// Coordinates that hand-written arithmetic tends to get wrong.
inline constexpr std::array<float, 12> kSpecials = {std::numeric_limits<float>::quiet_NaN(),
                                                    std::numeric_limits<float>::infinity(),
                                                    -std::numeric_limits<float>::infinity(),
                                                    -0.0f,
                                                    std::numeric_limits<float>::max(),
                                                    std::numeric_limits<float>::lowest(),
                                                    std::numeric_limits<float>::denorm_min(),
                                                    32767.5f,
                                                    -32768.5f,
                                                    4935.0f, // the screen's width in twips
                                                    3945.0f,
                                                    2467.5f};

struct Step
{
    StepKind kind = Timeout;
    bool flag = false;
    int event = 0;
    int button = 0, shift = 0;
    int channel = 1, value = 0;
    std::vector<float> points; // x, y pairs
    std::string bytes;
};

namespace detail {
inline float coordinate(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: {
        const std::uint32_t bits = in.ConsumeIntegral<std::uint32_t>();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    case 1:
        return kSpecials[in.ConsumeIntegralInRange<std::size_t>(0, kSpecials.size() - 1)];
    default:
        return float(in.ConsumeIntegralInRange(-800, 40960)) / 8;
    }
}

inline void point(FuzzedDataProvider& in, Step& s)
{
    s.points.push_back(coordinate(in));
    s.points.push_back(coordinate(in));
}
} // namespace detail

// The next step of the program; call while in.remaining_bytes() > 0.
inline Step nextStep(FuzzedDataProvider& in)
{
    Step s;
    const int code = in.ConsumeIntegral<std::uint8_t>() % 16;
    s.kind = StepKind(std::min(code, int(Chunk)));
    switch (s.kind) {
    case Mode:
    case Channel:
        s.flag = in.ConsumeBool();
        break;
    case Mouse:
        s.event = in.ConsumeIntegralInRange(0, 2);
        [[fallthrough]];
    case Drag: {
        const int moves = s.kind == Drag ? in.ConsumeIntegralInRange(0, kMaxMoves) : 0;
        // Any bits at all: the handlers must ignore what they do not know.
        s.button = in.ConsumeIntegral<std::int16_t>();
        s.shift = in.ConsumeIntegral<std::int16_t>();
        for (int i = 0; i < (s.kind == Drag ? moves + 2 : 1); ++i)
            detail::point(in, s);
        break;
    }
    case Offset:
        s.channel = in.ConsumeIntegralInRange(1, 4);
        s.value = in.ConsumeIntegralInRange(0, 257);
        break;
    case Chunk:
        s.bytes = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(1, kChunkMax));
        break;
    default:
        break;
    }
    return s;
}

// Writes programs in the layout nextStep reads.
class Encoder
{
public:
    void timeout() { code(Timeout); }
    void mode(bool xy)
    {
        code(Mode);
        integral(0, 255, xy ? 1 : 0);
    }
    void runStop() { code(RunStop); }
    void channel(bool second)
    {
        code(Channel);
        integral(0, 255, second ? 1 : 0);
    }
    void events() { code(Events); }
    void offset(int channel, int value)
    {
        code(Offset);
        integral(1, 4, channel);
        integral(0, 257, value);
    }
    // Screen coordinates are in eighths of a twip, -100 to 5120.
    void mouse(int event, int button, int shift, float x, float y)
    {
        code(Mouse);
        integral(0, 2, event);
        buttons(button, shift);
        screen(x);
        screen(y);
    }
    void drag(int button, int shift, const std::vector<float>& xy)
    {
        code(Drag);
        integral(0, kMaxMoves, std::int64_t(xy.size() / 2) - 2);
        buttons(button, shift);
        for (const float v : xy)
            screen(v);
    }
    void mouseSpecial(int event, int button, int shift, std::size_t xIndex, std::size_t yIndex)
    {
        code(Mouse);
        integral(0, 2, event);
        buttons(button, shift);
        for (const std::size_t i : {xIndex, yIndex}) {
            integral(0, 3, 1);
            integral(0, std::int64_t(kSpecials.size()) - 1, std::int64_t(i));
        }
    }
    // Wire bytes, cut into chunks of at most `size` bytes.
    void wire(const std::string& bytes, std::size_t size = kChunkMax)
    {
        for (std::size_t at = 0; at < bytes.size(); at += size) {
            const std::string piece = bytes.substr(at, size);
            code(Chunk + std::uint8_t(piece.size() % 8));
            integral(1, kChunkMax, std::int64_t(piece.size()));
            front_ += piece;
        }
    }

    std::string bytes() const { return front_ + std::string(back_.rbegin(), back_.rend()); }

private:
    void code(std::uint8_t c) { back_.push_back(char(c)); }
    void buttons(int button, int shift)
    {
        integral(std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max(), button);
        integral(std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max(), shift);
    }
    void screen(float v)
    {
        integral(0, 3, 2);
        integral(-800, 40960, std::int64_t(v * 8));
    }
    // The bytes ConsumeIntegralInRange(min, max) turns into `v`: most significant first.
    void integral(std::int64_t min, std::int64_t max, std::int64_t v)
    {
        const std::uint64_t range = std::uint64_t(max - min), value = std::uint64_t(v - min);
        int n = 0;
        while (n < 8 && (range >> (8 * n)) > 0)
            ++n;
        for (int i = n - 1; i >= 0; --i)
            back_.push_back(char((value >> (8 * i)) & 0xFF));
    }

    std::string front_;
    std::string back_; // in the order nextStep consumes it
};

} // namespace fuzzing
