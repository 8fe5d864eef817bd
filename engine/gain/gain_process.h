#pragma once
// The gain transform's arithmetic: samples multiplied in place by a gain in Q12 fixed point
// (4096 = 1.0), ramped linearly across one buffer from the previous gain to the new one, and
// hard-clipped at full scale. All arithmetic is in 32-bit float.
#include <cstdint>
#include <span>

inline constexpr std::uint32_t kUnityGainQ12 = 4096;
inline constexpr std::uint32_t kMaxGainQ12 = 16384;

// False only at unity with no change: the samples then stay exactly as they are.
constexpr bool GainChangesSamples(std::uint32_t fromGain, std::uint32_t toGain) {
    return fromGain != kUnityGainQ12 || toGain != kUnityGainQ12;
}

// Value i (interleaved channels counted separately) gets the gain from + i * step with
// step = (to - from) / N, N the number of values when there are at least two, else 1.
void ProcessGain(std::span<float> values, std::uint32_t fromGain, std::uint32_t toGain);
void ProcessGain(std::span<std::int16_t> values, std::uint32_t fromGain, std::uint32_t toGain);

// One value at a time, for the tests and the benchmark to hold the fast paths against.
void ProcessGainReference(std::span<float> values, std::uint32_t fromGain, std::uint32_t toGain);
void ProcessGainReference(std::span<std::int16_t> values, std::uint32_t fromGain, std::uint32_t toGain);
