#pragma once
// Row kernels of the NV12 conversion (internal to the conversion module).
#include <cstdint>

struct Nv12Matrix {
    int rv, gu, gv, bu; // coefficients of V in R, U and V in G, U in B (Y is 298 in all three)
    int cr, cg, cb;     // offsets with the rounding constant folded in
};

inline constexpr Nv12Matrix kBt601{409, -100, -208, 516, -56992, 34784, -70688};
inline constexpr Nv12Matrix kBt709{459, -55, -136, 541, -63392, 19808, -73888};

// The wide kernels work in 16-bit lanes, where 298 * Y + cu * U + cv * V + c (18 bits) does not
// fit. Each channel's chroma part is split as
//     cu * U + cv * V + c = 256 * high + low,   high = hu * U + hv * V + highOffset,
//     low = lu * U + lv * V + lowOffset >= 0,
// with the low coefficients in -128 ... 127 (pmaddubsw takes them with the U, V bytes as they
// lie in memory). Then (298 * Y + chroma) >> 8 = ((298 * Y + low) >> 8) + high, and because
// 298 * Y is even, (298 * Y + low) >> 8 = (149 * Y + (low >> 1)) >> 7, which stays below 2^16.
// So every channel is  clamp(((149 * Y + (low >> 1)) >> 7) + high), bit for bit the reference.
struct Nv12ChannelSplit {
    std::int8_t lowU, lowV, highU, highV;
    std::int16_t lowOffset, highOffset;
};

struct Nv12Split {
    Nv12ChannelSplit b, g, r;
};

namespace nv12_split {

constexpr int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
constexpr int Low(int coefficient) {
    return coefficient - 256 * FloorDiv(coefficient + 128, 256);
}
constexpr int Negative(int v) {
    return v < 0 ? v : 0;
}
constexpr int Positive(int v) {
    return v > 0 ? v : 0;
}

constexpr Nv12ChannelSplit Split(int cu, int cv, int offset) {
    const int lu = Low(cu), lv = Low(cv);
    const int highOffset = FloorDiv(offset + 255 * (Negative(lu) + Negative(lv)), 256);
    return {static_cast<std::int8_t>(lu),
            static_cast<std::int8_t>(lv),
            static_cast<std::int8_t>((cu - lu) / 256),
            static_cast<std::int8_t>((cv - lv) / 256),
            static_cast<std::int16_t>(offset - 256 * highOffset),
            static_cast<std::int16_t>(highOffset)};
}

// The split holds when the low sum never leaves pmaddubsw's 16 bits and 149 * 255 + low / 2
// stays below 2^16.
constexpr bool Fits(const Nv12ChannelSplit& s) {
    const int most = 255 * (Positive(s.lowU) + Positive(s.lowV));
    const int least = 255 * (Negative(s.lowU) + Negative(s.lowV));
    return most <= 32767 && least >= -32768 && s.lowOffset >= 0 &&
           149 * 255 + (most + s.lowOffset) / 2 <= 65535;
}

} // namespace nv12_split

constexpr Nv12Split SplitMatrix(const Nv12Matrix& m) {
    return {nv12_split::Split(m.bu, 0, m.cb), nv12_split::Split(m.gu, m.gv, m.cg),
            nv12_split::Split(0, m.rv, m.cr)};
}

constexpr bool SplitFits(const Nv12Matrix& m) {
    const Nv12Split s = SplitMatrix(m);
    return nv12_split::Fits(s.b) && nv12_split::Fits(s.g) && nv12_split::Fits(s.r);
}
static_assert(SplitFits(kBt601) && SplitFits(kBt709), "both matrices split into 16-bit terms");

// One or two luma rows that share a chroma row, and where their pixels go. stream asks for
// streaming stores where the output's alignment allows them (the caller fences after the frame).
struct Nv12Rows {
    const std::uint8_t* luma[2] = {};
    const std::uint8_t* chroma = nullptr;
    std::uint8_t* out[2] = {};
    int count = 1;
    bool stream = false;
};

// Converts columns [x, x + width) of one row. yRow and uvRow point at the start of the row in
// the luma and chroma planes; out receives width * 4 bytes.
void ConvertRowScalar(const std::uint8_t* yRow, const std::uint8_t* uvRow, int x, int width, const Nv12Matrix& m,
                      std::uint8_t* out);
void ConvertRowSse2(const std::uint8_t* yRow, const std::uint8_t* uvRow, int x, int width, const Nv12Matrix& m,
                    std::uint8_t* out);

// The same for the one or two rows of rows, which share their chroma work.
void ConvertRowsAvx2(const Nv12Rows& rows, int x, int width, const Nv12Matrix& m);
void ConvertRowsAvx512(const Nv12Rows& rows, int x, int width, const Nv12Matrix& m);
