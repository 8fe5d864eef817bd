#include "update/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The six-bit value of c, or -1 outside the alphabet ("=" included).
int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Decodes one group of four; pads is how many "=" close it (0 to 2, only in the last group).
bool DecodeGroup(std::string_view group, bool last, std::vector<std::uint8_t>& out) {
    int pads = 0;
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const char c = group[i];
        if (c == '=') {
            if (!last || i < 2)
                return false;
            ++pads;
            continue;
        }
        const int value = SextetOf(c);
        if (value < 0 || pads > 0)
            return false;
        bits |= static_cast<std::uint32_t>(value) << (18 - 6 * i);
    }
    out.push_back(static_cast<std::uint8_t>(bits >> 16));
    if (pads < 2)
        out.push_back(static_cast<std::uint8_t>(bits >> 8));
    if (pads < 1)
        out.push_back(static_cast<std::uint8_t>(bits));
    return true;
}

} // namespace

std::optional<std::vector<std::uint8_t>> DecodeStrictBase64(std::string_view text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t at = 0; at < text.size(); at += 4) {
        if (!DecodeGroup(text.substr(at, 4), at + 4 == text.size(), out))
            return std::nullopt;
    }
    return out;
}

std::string EncodeBase64(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t n = bytes.size() - at < 3 ? bytes.size() - at : 3;
        std::uint32_t bits = std::uint32_t(bytes[at]) << 16;
        if (n > 1)
            bits |= std::uint32_t(bytes[at + 1]) << 8;
        if (n > 2)
            bits |= bytes[at + 2];
        for (std::size_t i = 0; i < 4; ++i)
            out.push_back(i <= n ? kAlphabet[(bits >> (18 - 6 * i)) & 63] : '=');
    }
    return out;
}
