// NV12 -> BGRA conversion of whole frames with each kernel, and libyuv's NV12ToARGBMatrix with the
// BT.709 constants on the same frames as the anchor (goal: the kernel the player picks takes no
// longer than libyuv at 1080p and at 4K). The output goes into a plain byte vector, as in the
// frame sink.
#include <benchmark/benchmark.h>
#include <libyuv/convert_argb.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/video/nv12_convert.h"

namespace {

// A random frame in a buffer of 16-line coded height, as decoders hand them over.
struct BenchFrame {
    std::vector<std::uint8_t> buffer;
    Nv12Source source;
    std::vector<std::uint8_t> out;

    BenchFrame(int width, int height) {
        const std::size_t coded = (static_cast<std::size_t>(height) + 15) / 16 * 16;
        buffer.resize(static_cast<std::size_t>(width) * coded * 3 / 2);
        std::mt19937 random(1);
        for (auto& b : buffer)
            b = static_cast<std::uint8_t>(random());
        const Aperture aperture{0, 0, width, height};
        source = {buffer.data(), *InferNv12Layout(buffer.size(), aperture), aperture, UsesBt709(aperture)};
        out.resize(static_cast<std::size_t>(width) * height * 4);
    }
};

void BM_ConvertFrame(benchmark::State& state) {
    const auto kernel = static_cast<ConvertKernel>(state.range(0));
    BenchFrame frame(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    for (auto _ : state) {
        ConvertNv12ToBgraWith(kernel, frame.source, frame.out.data());
        benchmark::DoNotOptimize(frame.out.data());
        benchmark::ClobberMemory();
    }
    const bool runs = ConvertKernelRuns(kernel);
    state.SetLabel(std::string(ConvertKernelName(kernel)) +
                   (runs ? "" : " (not on this CPU: a fallback ran)") +
                   (kernel == BestConvertKernel() ? " picked" : ""));
}

void BM_LibyuvFrame(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    BenchFrame frame(width, height);
    const auto stride = static_cast<int>(frame.source.layout.stride);
    const std::uint8_t* chroma = frame.buffer.data() + frame.source.layout.lumaSize;
    for (auto _ : state) {
        libyuv::NV12ToARGBMatrix(frame.buffer.data(), stride, chroma, stride, frame.out.data(), width * 4,
                                 &libyuv::kYuvH709Constants, width, height);
        benchmark::DoNotOptimize(frame.out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel("libyuv NV12ToARGBMatrix BT.709");
}

void KernelArgs(benchmark::internal::Benchmark* b) {
    b->Args({static_cast<int>(ConvertKernel::Scalar), 1920, 1080});
    for (const int size : {1080, 2160}) {
        for (const auto kernel : {ConvertKernel::Sse2, ConvertKernel::Avx2, ConvertKernel::Avx512})
            b->Args({static_cast<int>(kernel), size * 16 / 9, size});
    }
}

BENCHMARK(BM_ConvertFrame)->Unit(benchmark::kMillisecond)->Apply(KernelArgs);
BENCHMARK(BM_LibyuvFrame)->Unit(benchmark::kMillisecond)->Args({1920, 1080})->Args({3840, 2160});

} // namespace
