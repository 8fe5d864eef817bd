// AVX2 row kernel: 32 pixels a step, the SSE2 arithmetic in both 128-bit lanes. Each lane holds
// its own 16 pixels with their 8 chroma pairs, so the in-lane unpacks pair the right bytes; the
// final permutes put the lanes' pixels back in order.
#include <immintrin.h>

#include "engine/video/nv12_kernels.h"

namespace {

struct Avx2Constants {
    __m256i rv, bu, gu, gv, cr, cg, cb;
    explicit Avx2Constants(const Nv12Matrix& m)
        : rv(Pair(298, m.rv)), bu(Pair(298, m.bu)), gu(Pair(298, m.gu)), gv(Pair(0, m.gv)),
          cr(_mm256_set1_epi32(m.cr)), cg(_mm256_set1_epi32(m.cg)), cb(_mm256_set1_epi32(m.cb)) {}
    static __m256i Pair(int first, int second) {
        return _mm256_set1_epi32(static_cast<int>((static_cast<unsigned>(second) << 16) | (first & 0xFFFF)));
    }
};

inline void EightPixels(__m256i yu, __m256i yv, const Avx2Constants& k, __m256i& r, __m256i& g, __m256i& b) {
    r = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(yv, k.rv), k.cr), 8);
    b = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(yu, k.bu), k.cb), 8);
    g = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(yu, k.gu), _mm256_madd_epi16(yv, k.gv)), k.cg), 8);
}

inline __m256i Pack16(__m256i a, __m256i b, __m256i c, __m256i d) {
    return _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
}

inline void ThirtyTwoPixels(const std::uint8_t* y, const std::uint8_t* uv, const Avx2Constants& k,
                            std::uint8_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i luma = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y));
    const __m256i chroma = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(uv));
    const __m256i u = _mm256_and_si256(chroma, _mm256_set1_epi16(0x00FF));
    const __m256i v = _mm256_srli_epi16(chroma, 8);
    const __m256i uPix[2] = {_mm256_unpacklo_epi16(u, u), _mm256_unpackhi_epi16(u, u)};
    const __m256i vPix[2] = {_mm256_unpacklo_epi16(v, v), _mm256_unpackhi_epi16(v, v)};
    const __m256i yPix[2] = {_mm256_unpacklo_epi8(luma, zero), _mm256_unpackhi_epi8(luma, zero)};
    __m256i r[4], g[4], b[4];
    for (int h = 0; h < 2; ++h) {
        EightPixels(_mm256_unpacklo_epi16(yPix[h], uPix[h]), _mm256_unpacklo_epi16(yPix[h], vPix[h]), k, r[2 * h],
                    g[2 * h], b[2 * h]);
        EightPixels(_mm256_unpackhi_epi16(yPix[h], uPix[h]), _mm256_unpackhi_epi16(yPix[h], vPix[h]), k,
                    r[2 * h + 1], g[2 * h + 1], b[2 * h + 1]);
    }
    const __m256i R = Pack16(r[0], r[1], r[2], r[3]);
    const __m256i G = Pack16(g[0], g[1], g[2], g[3]);
    const __m256i B = Pack16(b[0], b[1], b[2], b[3]);
    const __m256i A = _mm256_set1_epi8(static_cast<char>(0xFF));
    const __m256i bgLo = _mm256_unpacklo_epi8(B, G), bgHi = _mm256_unpackhi_epi8(B, G);
    const __m256i raLo = _mm256_unpacklo_epi8(R, A), raHi = _mm256_unpackhi_epi8(R, A);
    const __m256i p0 = _mm256_unpacklo_epi16(bgLo, raLo); // pixels 0-3 | 16-19
    const __m256i p1 = _mm256_unpackhi_epi16(bgLo, raLo); // 4-7 | 20-23
    const __m256i p2 = _mm256_unpacklo_epi16(bgHi, raHi); // 8-11 | 24-27
    const __m256i p3 = _mm256_unpackhi_epi16(bgHi, raHi); // 12-15 | 28-31
    auto* dst = reinterpret_cast<__m256i*>(out);
    const __m256i ordered[4] = {_mm256_permute2x128_si256(p0, p1, 0x20), _mm256_permute2x128_si256(p2, p3, 0x20),
                                _mm256_permute2x128_si256(p0, p1, 0x31), _mm256_permute2x128_si256(p2, p3, 0x31)};
    for (int i = 0; i < 4; ++i)
        _mm256_storeu_si256(dst + i, ordered[i]);
}

} // namespace

void ConvertRowAvx2(const std::uint8_t* yRow, const std::uint8_t* uvRow, int x, int width, const Nv12Matrix& m,
                    std::uint8_t* out) {
    int j = 0;
    if ((x & 1) != 0 && width > 0) {
        ConvertRowScalar(yRow, uvRow, x, 1, m, out);
        j = 1;
    }
    const Avx2Constants k(m);
    for (; j + 32 <= width; j += 32)
        ThirtyTwoPixels(yRow + x + j, uvRow + x + j, k, out + 4 * j);
    // What is left is narrower than one step: the SSE2 kernel finishes it.
    if (j < width)
        ConvertRowSse2(yRow, uvRow, x + j, width - j, m, out + 4 * j);
}
