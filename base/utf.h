#pragma once
// UTF-8 <-> UTF-16 conversion for portable code. Invalid input never fails: each malformed
// sequence or lone surrogate becomes U+FFFD, as the platform's converters do.
#include <string>
#include <string_view>

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
