// AVX-512 (BW) kernel: the AVX2 kernel's arithmetic (see nv12_convert_avx2.cpp and Nv12Split)
// on 64 pixels a step, both rows of a chroma row at once. Columns before the output is aligned
// for streaming stores, and the last columns, go through the same step with masked loads and
// stores, which touch no byte outside the row.
#include <immintrin.h>

#include <cstdint>

#include "engine/video/nv12_kernels.h"

namespace {

constexpr int kStep = 64;

struct Avx512Channel {
    __m512i low, lowOffset, high, highOffset;
};

struct Avx512Matrix {
    Avx512Channel b, g, r;
};

// pmaddubsw coefficients for the U, V byte pairs.
__m512i CoefficientPair(std::int8_t u, std::int8_t v) {
    return _mm512_set1_epi16(
        static_cast<short>((static_cast<std::uint8_t>(v) << 8) | static_cast<std::uint8_t>(u)));
}

Avx512Channel ChannelOf(const Nv12ChannelSplit& s) {
    return {CoefficientPair(s.lowU, s.lowV), _mm512_set1_epi16(s.lowOffset),
            CoefficientPair(s.highU, s.highV), _mm512_set1_epi16(s.highOffset)};
}

Avx512Matrix MatrixOf(const Nv12Matrix& m) {
    const Nv12Split split = SplitMatrix(m);
    return {ChannelOf(split.b), ChannelOf(split.g), ChannelOf(split.r)};
}

struct Terms {
    __m512i low, high;
};

struct PairTerms {
    Terms b, g, r;
};

inline Terms TermsOf(__m512i uv, const Avx512Channel& c) {
    return {_mm512_srli_epi16(_mm512_add_epi16(_mm512_maddubs_epi16(uv, c.low), c.lowOffset), 1),
            _mm512_add_epi16(_mm512_maddubs_epi16(uv, c.high), c.highOffset)};
}

inline PairTerms PairTermsOf(__m512i uv, const Avx512Matrix& k) {
    return {TermsOf(uv, k.b), TermsOf(uv, k.g), TermsOf(uv, k.r)};
}

inline __m512i Channel(__m512i luma149, const Terms& t) {
    return _mm512_add_epi16(_mm512_srli_epi16(_mm512_add_epi16(luma149, t.low), 7), t.high);
}

inline __m512i ChannelBytes(__m512i even149, __m512i odd149, const Terms& t) {
    return _mm512_packus_epi16(Channel(even149, t), Channel(odd149, t));
}

// The in-lane unpacks leave lane l of the k-th result holding 4-byte group 4k + l of the step,
// so lane l is loaded with groups l, 4 + l, 8 + l and 12 + l; luma and chroma alike.
inline __m512i InGroupOrder(__m512i bytes) {
    const __m512i order = _mm512_setr_epi32(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    return _mm512_permutexvar_epi32(order, bytes);
}

// The four results of a step, 16 pixels each, in the order they are stored.
struct Quarters {
    __m512i part[4];
};

inline Quarters Pixels(__m512i luma, const PairTerms& t) {
    const __m512i k149 = _mm512_set1_epi16(149);
    const __m512i even = _mm512_mullo_epi16(_mm512_and_si512(luma, _mm512_set1_epi16(0xFF)), k149);
    const __m512i odd = _mm512_mullo_epi16(_mm512_srli_epi16(luma, 8), k149);
    const __m512i b = ChannelBytes(even, odd, t.b), g = ChannelBytes(even, odd, t.g),
                  r = ChannelBytes(even, odd, t.r);
    const __m512i alpha = _mm512_set1_epi8(-1);
    const __m512i bgEven = _mm512_unpacklo_epi8(b, g), bgOdd = _mm512_unpackhi_epi8(b, g);
    const __m512i raEven = _mm512_unpacklo_epi8(r, alpha), raOdd = _mm512_unpackhi_epi8(r, alpha);
    const __m512i even0 = _mm512_unpacklo_epi16(bgEven, raEven),
                  even1 = _mm512_unpackhi_epi16(bgEven, raEven);
    const __m512i odd0 = _mm512_unpacklo_epi16(bgOdd, raOdd), odd1 = _mm512_unpackhi_epi16(bgOdd, raOdd);
    return {{_mm512_unpacklo_epi32(even0, odd0), _mm512_unpackhi_epi32(even0, odd0),
             _mm512_unpacklo_epi32(even1, odd1), _mm512_unpackhi_epi32(even1, odd1)}};
}

template <bool kStream> inline void StoreStep(const Quarters& q, std::uint8_t* out) {
    for (int i = 0; i < 4; ++i) {
        if constexpr (kStream)
            _mm512_stream_si512(reinterpret_cast<__m512i*>(out + 64 * i), q.part[i]);
        else
            _mm512_storeu_si512(out + 64 * i, q.part[i]);
    }
}

// Pixels [0, count) of a step, count below 64: the luma bytes, the chroma pairs they use (the
// last one whole) and the output pixels, each through a mask.
inline __mmask64 FirstBytes(int count) {
    return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

inline void StorePartOfStep(const Quarters& q, int count, std::uint8_t* out) {
    for (int i = 0; i < 4 && 16 * i < count; ++i) {
        const int pixels = count - 16 * i < 16 ? count - 16 * i : 16;
        _mm512_mask_storeu_epi32(out + 64 * i, static_cast<__mmask16>((1u << pixels) - 1), q.part[i]);
    }
}

void PartOfStep(const Nv12Rows& rows, int column, int count, const Avx512Matrix& k, int outColumn) {
    const __mmask64 chromaMask = FirstBytes((count + 1) & ~1);
    const PairTerms terms =
        PairTermsOf(InGroupOrder(_mm512_maskz_loadu_epi8(chromaMask, rows.chroma + column)), k);
    for (int row = 0; row < rows.count; ++row) {
        const __m512i luma =
            InGroupOrder(_mm512_maskz_loadu_epi8(FirstBytes(count), rows.luma[row] + column));
        StorePartOfStep(Pixels(luma, terms), count, rows.out[row] + 4 * outColumn);
    }
}

template <bool kStream> int WholeSteps(const Nv12Rows& rows, int x, int j, int width, const Avx512Matrix& k) {
    for (; j + kStep <= width; j += kStep) {
        const PairTerms terms = PairTermsOf(InGroupOrder(_mm512_loadu_si512(rows.chroma + x + j)), k);
        for (int row = 0; row < rows.count; ++row) {
            const __m512i luma = InGroupOrder(_mm512_loadu_si512(rows.luma[row] + x + j));
            StoreStep<kStream>(Pixels(luma, terms), rows.out[row] + 4 * j);
        }
    }
    return j;
}

// How many pixels from column j on go before every row's output is 64-byte aligned, as
// streaming stores need; -1 when the rows are aligned differently or that column is no chroma
// pair's first.
int AlignedHead(const Nv12Rows& rows, int x, int j, int width) {
    const auto at = reinterpret_cast<std::uintptr_t>(rows.out[0] + 4 * j);
    for (int row = 1; row < rows.count; ++row) {
        if (reinterpret_cast<std::uintptr_t>(rows.out[row] + 4 * j) % 64 != at % 64)
            return -1;
    }
    const int head = static_cast<int>((64 - at % 64) % 64 / 4);
    return at % 4 == 0 && (x + j + head) % 2 == 0 && head <= width - j ? head : -1;
}

} // namespace

void ConvertRowsAvx512(const Nv12Rows& rows, int x, int width, const Nv12Matrix& m) {
    // An odd first column shares its chroma pair with the column before it: it goes alone, so
    // that every step starts on a pair.
    int j = 0;
    if ((x & 1) != 0 && width > 0) {
        for (int row = 0; row < rows.count; ++row)
            ConvertRowScalar(rows.luma[row], rows.chroma, x, 1, m, rows.out[row]);
        j = 1;
    }
    const Avx512Matrix k = MatrixOf(m);
    const int head = rows.stream ? AlignedHead(rows, x, j, width) : -1;
    if (head > 0)
        PartOfStep(rows, x + j, head, k, j);
    j = head >= 0 ? WholeSteps<true>(rows, x, j + head, width, k) : WholeSteps<false>(rows, x, j, width, k);
    if (j < width)
        PartOfStep(rows, x + j, width - j, k, j);
}
