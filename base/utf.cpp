#include "base/utf.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The range the byte after a lead byte must fall in, so that overlong forms, surrogates and
// values above U+10FFFF are rejected at the first byte that proves them wrong.
struct LeadRule {
    size_t length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadRule RuleFor(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2, 0x80, 0xBF};
    if (lead == 0xE0)
        return {3, 0xA0, 0xBF};
    if (lead == 0xED)
        return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF)
        return {3, 0x80, 0xBF};
    if (lead == 0xF0)
        return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3)
        return {4, 0x80, 0xBF};
    if (lead == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

// Decodes one code point at text[i] and advances i. A malformed sequence yields one U+FFFD for
// its longest valid prefix (at least one byte), the Unicode "maximal subpart" practice.
char32_t DecodeUtf8At(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    const LeadRule rule = RuleFor(lead);
    if (rule.length == 0) {
        ++i;
        return kReplacement;
    }
    char32_t cp = lead & (0x7F >> rule.length);
    size_t k = 1;
    for (; k < rule.length && i + k < text.size(); ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        const unsigned char low = (k == 1) ? rule.secondLow : 0x80;
        const unsigned char high = (k == 1) ? rule.secondHigh : 0xBF;
        if (c < low || c > high)
            break;
        cp = (cp << 6) | (c & 0x3F);
    }
    i += k;
    return k == rule.length ? cp : kReplacement;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size())
        AppendUtf16(out, DecodeUtf8At(utf8, i));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3 / 2);
    for (size_t i = 0; i < utf16.size(); ++i) {
        const char16_t u = utf16[i];
        char32_t cp = u;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(utf16[i + 1]) - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}
