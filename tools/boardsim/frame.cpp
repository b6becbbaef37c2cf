#include "frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace boardsim {

namespace {

constexpr Step kGains[] = {
    {"  5mV", 0.005}, {" 10mV", 0.01}, {" 20mV", 0.02}, {" 50mV", 0.05}, {"100mV", 0.1},
    {"200mV", 0.2},   {"500mV", 0.5},  {"   1V", 1.0},  {"   2V", 2.0},  {"   5V", 5.0},
};

constexpr Step kTimeBases[] = {
    {" 12u", 12e-6}, {" 20u", 20e-6}, {" 50u", 50e-6}, {"100u", 100e-6}, {"200u", 200e-6}, {"500u", 500e-6},
    {"  1m", 1e-3},  {"  2m", 2e-3},  {"  5m", 5e-3},  {" 10m", 10e-3},  {" 20m", 20e-3},  {" 50m", 50e-3},
    {"100m", 0.1},   {"200m", 0.2},   {"500m", 0.5},   {"   1", 1.0},    {"   2", 2.0},    {"   5", 5.0},
};

constexpr const char* kWaveNames[] = {"sine", "square", "triangle", "sawtooth", "noise"};
constexpr double kPi = 3.14159265358979323846;
constexpr double kCodesPerDivision = 255.0 / 8.0;

int indexOf(std::span<const Step> steps, const char* text)
{
    for (std::size_t i = 0; i < steps.size(); ++i)
        if (std::strcmp(steps[i].text, text) == 0) return int(i);
    return -1;
}

// Zero-mean shape in [-1, 1] of a periodic waveform at phase p in [0, 1).
double shape(Waveform w, double p)
{
    switch (w) {
    case Waveform::Sine:
        return std::sin(2 * kPi * p);
    case Waveform::Square:
        return p < 0.5 ? 1.0 : -1.0;
    case Waveform::Triangle:
        return p < 0.5 ? 4 * p - 1 : 3 - 4 * p;
    case Waveform::Sawtooth:
        return 2 * p - 1;
    case Waveform::Noise:
        break;
    }
    return 0;
}

// Smooth value noise in [-1, 1]: 16 random points per period, interpolated.
double valueNoise(std::uint64_t key, double x)
{
    double cell = std::floor(x);
    double f = x - cell;
    auto at = [key](double c) {
        return double(hash64(key * 0x100000001B3ull ^ std::uint64_t(std::int64_t(c))) >> 11) *
                   (2.0 / 9007199254740992.0) -
               1.0;
    };
    double smooth = f * f * (3 - 2 * f);
    return at(cell) + (at(cell + 1) - at(cell)) * smooth;
}

const Channel& source(const BoardState& s)
{
    return s.trigSource == 0 ? s.a : s.b;
}

} // namespace

std::span<const Step> gainSteps()
{
    return kGains;
}
std::span<const Step> timeBaseSteps()
{
    return kTimeBases;
}
int gainIndex(const char* text)
{
    return indexOf(kGains, text);
}
int timeBaseIndex(const char* text)
{
    return indexOf(kTimeBases, text);
}

const char* waveformName(Waveform w)
{
    return kWaveNames[int(w)];
}

std::optional<Waveform> parseWaveform(const std::string& name)
{
    for (int i = 0; i < 5; ++i)
        if (name == kWaveNames[i]) return Waveform(i);
    return std::nullopt;
}

BoardState::BoardState()
{
    // Channel A: 1.5 V peak sine at 2 Hz on 0.5 V DC, 500 mV/div.
    a = Channel{6, false, Waveform::Sine, 2.0, 1.5, 0.5, 0xA};
    // Channel B: 0..3 V square at 5 Hz, 2 V/div.
    b = Channel{8, false, Waveform::Square, 5.0, 1.5, 1.5, 0xB};
}

double channelVolts(const Channel& ch, double t)
{
    double x = t * ch.frequency;
    double w = ch.wave == Waveform::Noise ? valueNoise(ch.key, x * 16) : shape(ch.wave, x - std::floor(x));
    return (ch.ac ? 0.0 : ch.offset) + ch.amplitude * w;
}

double channelCode(const Channel& ch, double t)
{
    return 128.0 + channelVolts(ch, t) / kGains[ch.gain].value * kCodesPerDivision;
}

std::uint8_t toCode(double code)
{
    return std::uint8_t(std::clamp(std::lround(code), 0L, 255L));
}

double sampleInterval(const BoardState& s)
{
    return 10.0 * kTimeBases[s.timeBase].value / 79.0;
}

bool channelBSampled(const BoardState& s)
{
    return s.timeBase != 0;
}

std::optional<double> findTrigger(const BoardState& s, double from)
{
    const Channel& ch = source(s);
    const double level = s.trigLevel;
    const bool rising = s.edge == Edge::Rising;
    // "Past the level" in the direction of the edge.
    auto past = [&](double t) {
        double c = channelCode(ch, t);
        return rising ? c >= level : c <= level;
    };

    const double period = 1.0 / ch.frequency;
    const double step = period / 256;
    double lo = from;
    bool wasPast = past(lo);
    for (int k = 1; k <= 4 * 256; ++k) {
        double hi = from + k * step;
        bool isPast = past(hi);
        if (!wasPast && isPast) {
            for (int i = 0; i < 60; ++i) { // bisect to the crossing
                double mid = 0.5 * (lo + hi);
                (past(mid) ? hi : lo) = mid;
            }
            return hi;
        }
        lo = hi;
        wasPast = isPast;
    }
    return std::nullopt;
}

Record acquire(const BoardState& s, double t0, Rng& rng, double noiseCodes)
{
    auto noise = [&] { return noiseCodes * (rng.uniform() + rng.uniform() - 1.0); };
    Record r;
    const double dt = sampleInterval(s);
    const bool sampleB = channelBSampled(s);
    for (std::size_t i = 0; i < kSamples; ++i) {
        double t = t0 + double(i) * dt;
        r.a[i] = toCode(channelCode(s.a, t) + noise());
        r.b[i] = sampleB ? toCode(channelCode(s.b, t) + noise()) : 0x80;
    }
    return r;
}

std::string triggerText(const BoardState& s)
{
    static constexpr const char* modes[] = {"Auto", "Normal", "Single"};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%-6s %c %c", modes[int(s.trigMode)], s.trigSource == 0 ? 'A' : 'B',
                  s.edge == Edge::Rising ? '>' : '<');
    return std::string(buf, 10);
}

std::string buildFrameText(const BoardState& s, const Record& r)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    auto samples = [&](const std::array<std::uint8_t, kSamples>& v) {
        std::string out;
        for (std::uint8_t c : v) {
            out += hex[c >> 4];
            out += hex[c & 15];
        }
        return out;
    };
    std::string t;
    t.reserve(kTextLength);
    t += "CH-A gain:";                // 1-10
    t += kGains[s.a.gain].text;       // 11-15
    t += s.a.ac ? "ac" : "dc";        // 16-17
    t += ':';                         // 18
    t += samples(r.a);                // 19-178
    t += "  CH-B gain:";              // 179-190
    t += kGains[s.b.gain].text;       // 191-195
    t += s.b.ac ? "ac" : "dc";        // 196-197
    t += ':';                         // 198
    t += samples(r.b);                // 199-358
    t += " Timebase: ";               // 359-369
    t += kTimeBases[s.timeBase].text; // 370-373
    t += "s, ";                       // 374-376
    t += triggerText(s);              // 377-386
    t += hex[s.trigLevel >> 4];       // 387-388
    t += hex[s.trigLevel & 15];
    return t;
}

std::string buildFrame(const BoardState& s, const Record& r, bool withEnd)
{
    std::string f(1, kStart);
    f += buildFrameText(s, r);
    f += kTerminator;
    if (withEnd) f += kEnd;
    return f;
}

} // namespace boardsim
