// The gain transform's arithmetic on stereo buffers of 10 ms and 1 s at 48 kHz, with a ramp
// (the costliest case), beside the one-value-at-a-time reference. Goal: at least 4 GB/s for
// float with the ramp.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <span>
#include <type_traits>
#include <vector>

#include "engine/gain/gain_process.h"

namespace {

constexpr int kChannels = 2;
constexpr std::uint32_t kRampFrom = 4096; // 1.0
constexpr std::uint32_t kRampTo = 6144;   // 1.5

template <class Sample> std::vector<Sample> Noise(std::size_t count) {
    std::mt19937 random(3);
    std::vector<Sample> values(count);
    for (auto& v : values) {
        if constexpr (std::is_same_v<Sample, float>)
            v = std::uniform_real_distribution<float>(-0.7f, 0.7f)(random);
        else
            v = static_cast<Sample>(std::uniform_int_distribution<int>(-22000, 22000)(random));
    }
    return values;
}

// Alternating the ramp's direction keeps the values from settling at full scale.
template <class Sample, bool kReference> void BM_Gain(benchmark::State& state) {
    std::vector<Sample> values = Noise<Sample>(static_cast<std::size_t>(state.range(0)) * kChannels);
    bool up = true;
    for (auto _ : state) {
        const std::uint32_t from = up ? kRampFrom : kRampTo;
        const std::uint32_t to = up ? kRampTo : kRampFrom;
        if constexpr (kReference)
            ProcessGainReference(std::span(values), from, to);
        else
            ProcessGain(std::span(values), from, to);
        up = !up;
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(values.size() * sizeof(Sample)));
}

BENCHMARK(BM_Gain<float, false>)->Name("BM_GainFloatRamp")->Arg(480)->Arg(48000);
BENCHMARK(BM_Gain<float, true>)->Name("BM_GainFloatRampReference")->Arg(480)->Arg(48000);
BENCHMARK(BM_Gain<std::int16_t, false>)->Name("BM_GainPcm16Ramp")->Arg(480)->Arg(48000);
BENCHMARK(BM_Gain<std::int16_t, true>)->Name("BM_GainPcm16RampReference")->Arg(480)->Arg(48000);

} // namespace
