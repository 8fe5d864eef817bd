// SSE2 row kernel: 16 pixels a step. Products and sums are formed exactly in 32-bit lanes with
// pmaddwd, so the result matches the reference bit for bit; the packs clamp to 0..255.
#include <emmintrin.h>

#include "engine/video/nv12_kernels.h"

namespace {

struct Sse2Constants {
    __m128i rv, bu, gu, gv, cr, cg, cb;
    explicit Sse2Constants(const Nv12Matrix& m)
        : rv(Pair(298, m.rv)), bu(Pair(298, m.bu)), gu(Pair(298, m.gu)), gv(Pair(0, m.gv)),
          cr(_mm_set1_epi32(m.cr)), cg(_mm_set1_epi32(m.cg)), cb(_mm_set1_epi32(m.cb)) {}
    static __m128i Pair(int first, int second) {
        return _mm_set1_epi32(static_cast<int>((static_cast<unsigned>(second) << 16) | (first & 0xFFFF)));
    }
};

// Four pixels: yu and yv hold (Y, U) and (Y, V) pairs per 32-bit lane.
inline void FourPixels(__m128i yu, __m128i yv, const Sse2Constants& k, __m128i& r, __m128i& g, __m128i& b) {
    r = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yv, k.rv), k.cr), 8);
    b = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yu, k.bu), k.cb), 8);
    g = _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(yu, k.gu), _mm_madd_epi16(yv, k.gv)), k.cg), 8);
}

inline __m128i Pack16(__m128i a, __m128i b, __m128i c, __m128i d) {
    return _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
}

// Sixteen pixels from an even column: 16 luma bytes and the 8 chroma pairs they share.
inline void SixteenPixels(const std::uint8_t* y, const std::uint8_t* uv, const Sse2Constants& k, std::uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i luma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
    const __m128i chroma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(uv));
    const __m128i u = _mm_and_si128(chroma, _mm_set1_epi16(0x00FF));
    const __m128i v = _mm_srli_epi16(chroma, 8);
    const __m128i uPix[2] = {_mm_unpacklo_epi16(u, u), _mm_unpackhi_epi16(u, u)};
    const __m128i vPix[2] = {_mm_unpacklo_epi16(v, v), _mm_unpackhi_epi16(v, v)};
    const __m128i yPix[2] = {_mm_unpacklo_epi8(luma, zero), _mm_unpackhi_epi8(luma, zero)};
    __m128i r[4], g[4], b[4];
    for (int h = 0; h < 2; ++h) {
        FourPixels(_mm_unpacklo_epi16(yPix[h], uPix[h]), _mm_unpacklo_epi16(yPix[h], vPix[h]), k, r[2 * h],
                   g[2 * h], b[2 * h]);
        FourPixels(_mm_unpackhi_epi16(yPix[h], uPix[h]), _mm_unpackhi_epi16(yPix[h], vPix[h]), k, r[2 * h + 1],
                   g[2 * h + 1], b[2 * h + 1]);
    }
    const __m128i R = Pack16(r[0], r[1], r[2], r[3]);
    const __m128i G = Pack16(g[0], g[1], g[2], g[3]);
    const __m128i B = Pack16(b[0], b[1], b[2], b[3]);
    const __m128i A = _mm_set1_epi8(static_cast<char>(0xFF));
    const __m128i bgLo = _mm_unpacklo_epi8(B, G), bgHi = _mm_unpackhi_epi8(B, G);
    const __m128i raLo = _mm_unpacklo_epi8(R, A), raHi = _mm_unpackhi_epi8(R, A);
    auto* dst = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(dst + 0, _mm_unpacklo_epi16(bgLo, raLo));
    _mm_storeu_si128(dst + 1, _mm_unpackhi_epi16(bgLo, raLo));
    _mm_storeu_si128(dst + 2, _mm_unpacklo_epi16(bgHi, raHi));
    _mm_storeu_si128(dst + 3, _mm_unpackhi_epi16(bgHi, raHi));
}

} // namespace

void ConvertRowSse2(const std::uint8_t* yRow, const std::uint8_t* uvRow, int x, int width, const Nv12Matrix& m,
                    std::uint8_t* out) {
    // An odd first column shares its chroma pair with the column before it: do it alone, so
    // that every vector step starts on a pair.
    int j = 0;
    if ((x & 1) != 0 && width > 0) {
        ConvertRowScalar(yRow, uvRow, x, 1, m, out);
        j = 1;
    }
    const Sse2Constants k(m);
    for (; j + 16 <= width; j += 16)
        SixteenPixels(yRow + x + j, uvRow + x + j, k, out + 4 * j);
    if (j < width)
        ConvertRowScalar(yRow, uvRow, x + j, width - j, m, out + 4 * j);
}
