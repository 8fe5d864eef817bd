#pragma once
// Row kernels of the NV12 conversion (internal to the conversion module).
#include <cstdint>

struct Nv12Matrix {
    int rv, gu, gv, bu; // coefficients of V in R, U and V in G, U in B (Y is 298 in all three)
    int cr, cg, cb;     // offsets with the rounding constant folded in
};

inline constexpr Nv12Matrix kBt601{409, -100, -208, 516, -56992, 34784, -70688};
inline constexpr Nv12Matrix kBt709{459, -55, -136, 541, -63392, 19808, -73888};

// Converts columns [x, x + width) of one row. yRow and uvRow point at the start of the row in
// the luma and chroma planes; out receives width * 4 bytes.
void ConvertRowScalar(const std::uint8_t* yRow, const std::uint8_t* uvRow, int x, int width, const Nv12Matrix& m,
                      std::uint8_t* out);
void ConvertRowSse2(const std::uint8_t* yRow, const std::uint8_t* uvRow, int x, int width, const Nv12Matrix& m,
                    std::uint8_t* out);
void ConvertRowAvx2(const std::uint8_t* yRow, const std::uint8_t* uvRow, int x, int width, const Nv12Matrix& m,
                    std::uint8_t* out);
