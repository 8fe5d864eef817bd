#include "base/ascii.h"

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

bool AsciiEqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

bool AsciiEqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(static_cast<unsigned char>(a[i])) != AsciiLower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::u16string AsciiLowered(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out)
        c = AsciiLower(c);
    return out;
}
