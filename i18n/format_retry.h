#pragma once
// Formatting into a growing buffer: 256 units, doubled up to 32,768 (8 attempts). format(buffer,
// units) writes at most units - 1 characters and returns their count, or a negative value when the
// output did not fit. After the last failure the unformatted text is the result.
#include <string>

inline constexpr size_t kFormatFirstUnits = 256;
inline constexpr int kFormatAttempts = 8;

template <typename Char, typename Format>
std::basic_string<Char> FormatWithGrowingBuffer(const Char* unformatted, Format&& format) {
    std::basic_string<Char> out;
    size_t units = kFormatFirstUnits;
    for (int attempt = 0; attempt < kFormatAttempts; ++attempt, units *= 2) {
        out.assign(units, Char(0));
        const int written = format(out.data(), units);
        if (written >= 0) {
            out.resize(static_cast<size_t>(written));
            return out;
        }
    }
    return std::basic_string<Char>(unformatted);
}
