#pragma once

#include <array>
#include <cstdint>

// One acquisition of one channel: raw converter codes, index 0 drawn at the left edge.
constexpr int kSampleCount = 80;
using Samples = std::array<std::uint8_t, kSampleCount>;

// The converter's codes run from 0 to kCodeMax; kCodeMilieu is the middle one the screen's
// offsets are counted from.
constexpr int kCodeMax = 255;
constexpr int kCodeMilieu = 128;
