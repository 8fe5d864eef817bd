// AVX2 kernel: 32 pixels a step, both rows of a chroma row at once, exact in 16-bit lanes (see
// Nv12Split). Each luma word holds an even and an odd pixel of one chroma pair, so the two are
// worked in separate vectors against the same chroma terms, which are therefore never
// duplicated; the packs and unpacks at the end interleave them back into BGRA.
#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/video/nv12_kernels.h"

namespace {

struct Avx2Channel {
    __m256i low, lowOffset, high, highOffset;
};

struct Avx2Matrix {
    Avx2Channel b, g, r;
};

// pmaddubsw coefficients for the U, V byte pairs.
__m256i CoefficientPair(std::int8_t u, std::int8_t v) {
    return _mm256_set1_epi16(
        static_cast<short>((static_cast<std::uint8_t>(v) << 8) | static_cast<std::uint8_t>(u)));
}

Avx2Channel ChannelOf(const Nv12ChannelSplit& s) {
    return {CoefficientPair(s.lowU, s.lowV), _mm256_set1_epi16(s.lowOffset),
            CoefficientPair(s.highU, s.highV), _mm256_set1_epi16(s.highOffset)};
}

Avx2Matrix MatrixOf(const Nv12Matrix& m) {
    const Nv12Split split = SplitMatrix(m);
    return {ChannelOf(split.b), ChannelOf(split.g), ChannelOf(split.r)};
}

// One channel's chroma terms for 16 pairs: low already halved.
struct Terms {
    __m256i low, high;
};

struct PairTerms {
    Terms b, g, r;
};

inline Terms TermsOf(__m256i uv, const Avx2Channel& c) {
    return {_mm256_srli_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(uv, c.low), c.lowOffset), 1),
            _mm256_add_epi16(_mm256_maddubs_epi16(uv, c.high), c.highOffset)};
}

inline PairTerms PairTermsOf(__m256i uv, const Avx2Matrix& k) {
    return {TermsOf(uv, k.b), TermsOf(uv, k.g), TermsOf(uv, k.r)};
}

// 16 pixels of one channel from their luma times 149, before the final clamp.
inline __m256i Channel(__m256i luma149, const Terms& t) {
    return _mm256_add_epi16(_mm256_srli_epi16(_mm256_add_epi16(luma149, t.low), 7), t.high);
}

// Clamped bytes of one channel: the even pixels' 8 of each lane, then the odd pixels' 8.
inline __m256i ChannelBytes(__m256i even149, __m256i odd149, const Terms& t) {
    return _mm256_packus_epi16(Channel(even149, t), Channel(odd149, t));
}

// 32 bytes with their 4-byte groups in the lane order that the unpacks in StorePixels undo:
// groups 0, 2, 4, 6 in the low lane, 1, 3, 5, 7 in the high one. Luma and chroma get the same
// order, so every luma word stays beside its chroma pair.
inline __m256i LoadGroups(const std::uint8_t* at) {
    const __m256i order = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    return _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), order);
}

// How a step's four vectors of 8 pixels are stored.
struct CachedStores {
    void operator()(std::uint8_t* out, int, __m256i pixels) const {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
    }
};

struct StreamingStores {
    void operator()(std::uint8_t* out, int, __m256i pixels) const {
        _mm256_stream_si256(reinterpret_cast<__m256i*>(out), pixels);
    }
};

// Only the step's pixels [from, to), in whole vectors, halves and single pixels: at the ends of
// a streamed row, so that no cache line is written both through the caches and around them.
// (Masked stores would do the same, but they are slow on some processors.)
struct PartialStores {
    int from, to;
    void operator()(std::uint8_t* out, int part, __m256i pixels) const {
        const int begin = std::max(from - 8 * part, 0), end = std::min(to - 8 * part, 8);
        if (begin == 0 && end == 8) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
            return;
        }
        std::uint32_t lanes[8];
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), pixels);
        if (begin < end)
            std::memcpy(out + 4 * begin, lanes + begin, 4 * static_cast<std::size_t>(end - begin));
    }
};

template <class Stores>
inline void StorePixels(__m256i luma, const PairTerms& t, std::uint8_t* out, Stores store) {
    const __m256i k149 = _mm256_set1_epi16(149);
    const __m256i even = _mm256_mullo_epi16(_mm256_and_si256(luma, _mm256_set1_epi16(0xFF)), k149);
    const __m256i odd = _mm256_mullo_epi16(_mm256_srli_epi16(luma, 8), k149);
    const __m256i b = ChannelBytes(even, odd, t.b), g = ChannelBytes(even, odd, t.g),
                  r = ChannelBytes(even, odd, t.r);
    const __m256i alpha = _mm256_set1_epi8(-1);
    const __m256i bgEven = _mm256_unpacklo_epi8(b, g), bgOdd = _mm256_unpackhi_epi8(b, g);
    const __m256i raEven = _mm256_unpacklo_epi8(r, alpha), raOdd = _mm256_unpackhi_epi8(r, alpha);
    const __m256i even0 = _mm256_unpacklo_epi16(bgEven, raEven),
                  even1 = _mm256_unpackhi_epi16(bgEven, raEven);
    const __m256i odd0 = _mm256_unpacklo_epi16(bgOdd, raOdd), odd1 = _mm256_unpackhi_epi16(bgOdd, raOdd);
    store(out, 0, _mm256_unpacklo_epi32(even0, odd0));
    store(out + 32, 1, _mm256_unpackhi_epi32(even0, odd0));
    store(out + 64, 2, _mm256_unpacklo_epi32(even1, odd1));
    store(out + 96, 3, _mm256_unpackhi_epi32(even1, odd1));
}

template <class Stores>
inline void OneStep(const Nv12Rows& rows, int x, int j, const Avx2Matrix& k, Stores store) {
    const PairTerms terms = PairTermsOf(LoadGroups(rows.chroma + x + j), k);
    for (int row = 0; row < rows.count; ++row)
        StorePixels(LoadGroups(rows.luma[row] + x + j), terms, rows.out[row] + 4 * j, store);
}

template <class Stores> int WholeSteps(const Nv12Rows& rows, int x, int j, int width, const Avx2Matrix& k) {
    for (; j + 32 <= width; j += 32)
        OneStep(rows, x, j, k, Stores{});
    return j;
}

// Where the step that ends at the last column starts (or the one before, when only that starts
// on a pair); -1 when the row from first on is narrower than a step.
int LastStep(int x, int first, int width) {
    int last = width - 32;
    last -= (x + last) & 1;
    return last >= first ? last : -1;
}

// A single last column that LastStep leaves out.
void LastPixel(const Nv12Rows& rows, int x, int width, const Nv12Matrix& m) {
    for (int row = 0; row < rows.count; ++row)
        ConvertRowScalar(rows.luma[row], rows.chroma, x + width - 1, 1, m, rows.out[row] + 4 * (width - 1));
}

// The columns from j on that no whole step covered: one more step that ends at the last column
// and writes some pixels a second time, with the same bytes; or the SSE2 kernel on a row too
// narrow for that.
void LastColumns(const Nv12Rows& rows, int x, int first, int j, int width, const Avx2Matrix& k,
                 const Nv12Matrix& m) {
    const int last = j < width ? LastStep(x, first, width) : -1;
    if (last >= 0) {
        OneStep(rows, x, last, k, CachedStores{});
        if (last + 32 < width)
            LastPixel(rows, x, width, m);
        return;
    }
    for (int row = 0; j < width && row < rows.count; ++row)
        ConvertRowSse2(rows.luma[row], rows.chroma, x + j, width - j, m, rows.out[row] + 4 * j);
}

// How many pixels from column j on go before every row's output lies on a cache line, where
// streaming stores fill whole lines; -1 when the rows are aligned differently or that column
// is no chroma pair's first.
int AlignedHead(const Nv12Rows& rows, int x, int j) {
    const auto at = reinterpret_cast<std::uintptr_t>(rows.out[0] + 4 * j);
    for (int row = 1; row < rows.count; ++row) {
        if (reinterpret_cast<std::uintptr_t>(rows.out[row] + 4 * j) % 64 != at % 64)
            return -1;
    }
    const int head = static_cast<int>((64 - at % 64) % 64 / 4);
    return at % 4 == 0 && (x + j + head) % 2 == 0 ? head : -1;
}

// Streams whole cache lines from the first aligned column on; the columns before it and after
// the last whole step are written through the caches by partial steps. Needs 64 columns past
// first, so that both partial steps lie inside the row.
bool StreamRow(const Nv12Rows& rows, int x, int first, int width, const Avx2Matrix& k, const Nv12Matrix& m) {
    const int head = width - first >= 64 ? AlignedHead(rows, x, first) : -1;
    if (head < 0)
        return false;
    if (head > 0)
        OneStep(rows, x, first, k, PartialStores{0, head});
    const int j = WholeSteps<StreamingStores>(rows, x, first + head, width, k);
    const int last = j < width ? LastStep(x, first, width) : -1;
    if (last >= 0)
        OneStep(rows, x, last, k, PartialStores{j - last, width - last});
    if (last >= 0 && last + 32 < width)
        LastPixel(rows, x, width, m);
    return true;
}

} // namespace

void ConvertRowsAvx2(const Nv12Rows& rows, int x, int width, const Nv12Matrix& m) {
    // An odd first column shares its chroma pair with the column before it: it goes alone, so
    // that every step starts on a pair.
    int first = 0;
    if ((x & 1) != 0 && width > 0) {
        for (int row = 0; row < rows.count; ++row)
            ConvertRowScalar(rows.luma[row], rows.chroma, x, 1, m, rows.out[row]);
        first = 1;
    }
    const Avx2Matrix k = MatrixOf(m);
    if (rows.stream && StreamRow(rows, x, first, width, k, m))
        return;
    const int j = WholeSteps<CachedStores>(rows, x, first, width, k);
    LastColumns(rows, x, first, j, width, k, m);
}
