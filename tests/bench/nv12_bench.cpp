// NV12 -> BGRA conversion of whole frames with each kernel.
#include <benchmark/benchmark.h>

#include <random>
#include <cstdint>
#include <vector>

#include "engine/video/nv12_convert.h"

namespace {

void BM_ConvertFrame(benchmark::State& state) {
    const auto kernel = static_cast<ConvertKernel>(state.range(0));
    const int width = static_cast<int>(state.range(1));
    const int height = static_cast<int>(state.range(2));
    const size_t coded = (static_cast<size_t>(height) + 15) / 16 * 16;
    std::vector<std::uint8_t> buffer(static_cast<size_t>(width) * coded * 3 / 2);
    std::mt19937 random(1);
    for (auto& b : buffer)
        b = static_cast<std::uint8_t>(random());
    const Aperture aperture{0, 0, width, height};
    const Nv12Source source{buffer.data(), *InferNv12Layout(buffer.size(), aperture), aperture, UsesBt709(aperture)};
    // Frame buffers of the sink are 64-byte aligned, as here.
    std::vector<std::uint8_t> storage(static_cast<size_t>(width) * height * 4 + 64);
    std::uint8_t* out = storage.data() + (64 - reinterpret_cast<std::uintptr_t>(storage.data()) % 64) % 64;
    for (auto _ : state) {
        ConvertNv12ToBgraWith(kernel, source, out);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetLabel(ConvertKernelName(kernel));
}

BENCHMARK(BM_ConvertFrame)
    ->Unit(benchmark::kMillisecond)
    ->Args({static_cast<int>(ConvertKernel::Scalar), 1920, 1080})
    ->Args({static_cast<int>(ConvertKernel::Sse2), 1920, 1080})
    ->Args({static_cast<int>(ConvertKernel::Avx2), 1920, 1080})
    ->Args({static_cast<int>(ConvertKernel::Sse2), 3840, 2160})
    ->Args({static_cast<int>(ConvertKernel::Avx2), 3840, 2160});

} // namespace
