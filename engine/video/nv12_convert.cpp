#include "engine/video/nv12_convert.h"

#include "engine/video/nv12_kernels.h"

namespace {

inline std::uint8_t Clamp8(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

using RowKernel = void (*)(const std::uint8_t*, const std::uint8_t*, int, int, const Nv12Matrix&, std::uint8_t*);

bool CpuHasAvx2() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

RowKernel KernelFor(ConvertKernel kernel) {
    switch (kernel) {
    case ConvertKernel::Avx2: return CpuHasAvx2() ? ConvertRowAvx2 : ConvertRowSse2;
    case ConvertKernel::Sse2: return ConvertRowSse2;
    case ConvertKernel::Scalar: break;
    }
    return ConvertRowScalar;
}

} // namespace

void ConvertRowScalar(const std::uint8_t* yRow, const std::uint8_t* uvRow, int x, int width, const Nv12Matrix& m,
                      std::uint8_t* out) {
    for (int j = 0; j < width; ++j) {
        const int p = x + j;
        const int y = 298 * yRow[p];
        const int u = uvRow[p & ~1];
        const int v = uvRow[(p & ~1) + 1];
        out[4 * j + 0] = Clamp8((y + m.bu * u + m.cb) >> 8);
        out[4 * j + 1] = Clamp8((y + m.gu * u + m.gv * v + m.cg) >> 8);
        out[4 * j + 2] = Clamp8((y + m.rv * v + m.cr) >> 8);
        out[4 * j + 3] = 255;
    }
}

ConvertKernel BestConvertKernel() { return CpuHasAvx2() ? ConvertKernel::Avx2 : ConvertKernel::Sse2; }

const char* ConvertKernelName(ConvertKernel kernel) {
    switch (kernel) {
    case ConvertKernel::Avx2: return "avx2";
    case ConvertKernel::Sse2: return "sse2";
    case ConvertKernel::Scalar: break;
    }
    return "scalar";
}

void ConvertNv12ToBgraWith(ConvertKernel kernel, const Nv12Source& src, std::uint8_t* dst) {
    const RowKernel convertRow = KernelFor(kernel);
    const Nv12Matrix& matrix = src.bt709 ? kBt709 : kBt601;
    const Aperture& a = src.aperture;
    const std::size_t stride = src.layout.stride;
    const std::uint8_t* chroma = src.data + src.layout.lumaSize;
    for (int i = 0; i < a.height; ++i) {
        const std::size_t row = static_cast<std::size_t>(a.y + i);
        convertRow(src.data + stride * row, chroma + stride * (row / 2), a.x, a.width, matrix,
                   dst + static_cast<std::size_t>(i) * a.width * 4);
    }
}

void ConvertNv12ToBgra(const Nv12Source& src, std::uint8_t* dst) {
    static const ConvertKernel best = BestConvertKernel();
    ConvertNv12ToBgraWith(best, src, dst);
}
