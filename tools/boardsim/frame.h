// Board state, waveform generation and the acquisition frame builder.
// Pure functions of their arguments: nothing here touches the pty.
#pragma once

#include "rng.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace boardsim {

inline constexpr char kStart = 4;        // frame start code (EOT)
inline constexpr char kEnd = 27;         // frame end code (ESC)
inline constexpr char kTerminator = ';'; // the character the board sends just before the end code
inline constexpr int kTextLength = 388;
inline constexpr int kSamples = 80;
inline constexpr int kFrameBytes = 1 + kTextLength + 1 + 1; // start, text, terminator, end = 391
inline constexpr double kBytesPerSecond = 115200.0 / 10.0;  // 8N1: 10 bits per byte
inline constexpr double kFrameSeconds = kFrameBytes / kBytesPerSecond;

enum class Waveform { Sine, Square, Triangle, Sawtooth, Noise };
enum class TriggerMode { Auto, Normal, Single };
enum class Edge { Rising, Falling };

struct Step
{
    const char* text; // as sent in the frame (5 chars for gains, 4 for time bases)
    double value;     // volts or seconds per division
};

std::span<const Step> gainSteps();     // "  5mV" .. "   5V"
std::span<const Step> timeBaseSteps(); // " 12u" .. "   5"
int gainIndex(const char* text);       // -1 if unknown
int timeBaseIndex(const char* text);

const char* waveformName(Waveform w);
std::optional<Waveform> parseWaveform(const std::string& name);

struct Channel
{
    int gain = 6;    // index into gainSteps()
    bool ac = false; // AC coupling removes the DC offset
    Waveform wave = Waveform::Sine;
    double frequency = 2.0;  // Hz
    double amplitude = 1.5;  // volts peak, around the offset
    double offset = 0.5;     // volts DC
    std::uint64_t key = 0xA; // identity for the value noise of Waveform::Noise
};

struct BoardState
{
    BoardState();
    Channel a, b;
    int timeBase = 12; // index into timeBaseSteps(): "100m"
    TriggerMode trigMode = TriggerMode::Auto;
    int trigSource = 0; // 0 = channel A, 1 = channel B
    Edge edge = Edge::Rising;
    int trigLevel = 0x80; // 0..255, in converter codes of the source channel
    bool singleArmed = false;
};

struct Record
{
    std::array<std::uint8_t, kSamples> a{};
    std::array<std::uint8_t, kSamples> b{};
};

// Input voltage of a channel at time t after coupling, without noise.
double channelVolts(const Channel& ch, double t);
// Converter code (unclamped, continuous): 128 at 0 V, 255/8 codes per division.
double channelCode(const Channel& ch, double t);
std::uint8_t toCode(double code); // round and clamp to 0..255

double sampleInterval(const BoardState& s); // 10 divisions over 79 sample steps
bool channelBSampled(const BoardState& s);  // false at the fastest base (" 12u")

// First time >= from at which the trigger source crosses the level with the
// chosen edge, searched over four periods of the source; nullopt if none.
std::optional<double> findTrigger(const BoardState& s, double from);

// The 80 samples of each channel starting at t0; noiseCodes is the peak of the
// added triangular noise (0 for exact values), drawn from rng.
Record acquire(const BoardState& s, double t0, Rng& rng, double noiseCodes);

std::string triggerText(const BoardState& s); // 10 characters, e.g. "Auto   A >"

// The 388-character frame text, every field at its fixed position.
std::string buildFrameText(const BoardState& s, const Record& r);
// Start code, frame text, terminator and (if withEnd) the end code.
std::string buildFrame(const BoardState& s, const Record& r, bool withEnd = true);

} // namespace boardsim
