#include "engine/video/nv12_convert.h"

#include <xmmintrin.h>

#include "engine/video/nv12_kernels.h"

namespace {

inline std::uint8_t Clamp8(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

using RowKernel = void (*)(const std::uint8_t*, const std::uint8_t*, int, int, const Nv12Matrix&, std::uint8_t*);
using RowsKernel = void (*)(const Nv12Rows&, int, int, const Nv12Matrix&);

bool CpuHas(ConvertKernel kernel) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    switch (kernel) {
    case ConvertKernel::Avx512: return __builtin_cpu_supports("avx512bw");
    case ConvertKernel::Avx2: return __builtin_cpu_supports("avx2");
    case ConvertKernel::Sse2:
    case ConvertKernel::Scalar: return true;
    }
    return false;
#else
    return kernel == ConvertKernel::Scalar || kernel == ConvertKernel::Sse2;
#endif
}

// The plain kernels convert one row at a time.
template <RowKernel kRow> void EachRow(const Nv12Rows& rows, int x, int width, const Nv12Matrix& m) {
    for (int row = 0; row < rows.count; ++row)
        kRow(rows.luma[row], rows.chroma, x, width, m, rows.out[row]);
}

RowsKernel KernelFor(ConvertKernel kernel) {
    if (kernel == ConvertKernel::Avx512 && !CpuHas(kernel))
        kernel = ConvertKernel::Avx2;
    if (kernel == ConvertKernel::Avx2 && !CpuHas(kernel))
        kernel = ConvertKernel::Sse2;
    switch (kernel) {
    case ConvertKernel::Avx512: return ConvertRowsAvx512;
    case ConvertKernel::Avx2: return ConvertRowsAvx2;
    case ConvertKernel::Sse2: return EachRow<ConvertRowSse2>;
    case ConvertKernel::Scalar: break;
    }
    return EachRow<ConvertRowScalar>;
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

ConvertKernel BestConvertKernel() {
    for (const ConvertKernel kernel : {ConvertKernel::Avx512, ConvertKernel::Avx2}) {
        if (CpuHas(kernel))
            return kernel;
    }
    return ConvertKernel::Sse2;
}

bool ConvertKernelRuns(ConvertKernel kernel) { return CpuHas(kernel); }

const char* ConvertKernelName(ConvertKernel kernel) {
    switch (kernel) {
    case ConvertKernel::Avx512: return "avx512";
    case ConvertKernel::Avx2: return "avx2";
    case ConvertKernel::Sse2: return "sse2";
    case ConvertKernel::Scalar: break;
    }
    return "scalar";
}

// Rows 2k and 2k + 1 share chroma row k, so they go to the kernel together.
void ConvertNv12ToBgraWith(ConvertKernel kernel, const Nv12Source& src, std::uint8_t* dst, PictureStores stores) {
    const RowsKernel convertRows = KernelFor(kernel);
    const Nv12Matrix& matrix = src.bt709 ? kBt709 : kBt601;
    const Aperture& a = src.aperture;
    const std::size_t stride = src.layout.stride;
    const std::size_t outStride = static_cast<std::size_t>(a.width) * 4;
    const std::uint8_t* chroma = src.data + src.layout.lumaSize;
    const bool stream = stores == PictureStores::Streaming ||
                        (stores == PictureStores::Auto && outStride * a.height >= kStreamingPictureBytes);
    for (int i = 0; i < a.height;) {
        const std::size_t row = static_cast<std::size_t>(a.y + i);
        Nv12Rows rows;
        rows.count = row % 2 == 0 && i + 1 < a.height ? 2 : 1;
        rows.stream = stream;
        rows.chroma = chroma + stride * (row / 2);
        for (int r = 0; r < rows.count; ++r) {
            rows.luma[r] = src.data + stride * (row + r);
            rows.out[r] = dst + outStride * static_cast<std::size_t>(i + r);
        }
        convertRows(rows, a.x, a.width, matrix);
        i += rows.count;
    }
    // Streamed pixels become visible to the painter's thread in order with the sink's lock only
    // after a fence.
    if (stream)
        _mm_sfence();
}

void ConvertNv12ToBgra(const Nv12Source& src, std::uint8_t* dst) {
    static const ConvertKernel best = BestConvertKernel();
    ConvertNv12ToBgraWith(best, src, dst);
}
