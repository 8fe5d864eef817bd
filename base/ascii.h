#pragma once
// Case rules for paths, extensions and switches: only ASCII letters fold, as the product
// compares them; every other character must match exactly.
#include <string>
#include <string_view>

char16_t AsciiLower(char16_t c);
bool AsciiEqualsNoCase(std::u16string_view a, std::u16string_view b);
bool AsciiEqualsNoCase(std::string_view a, std::string_view b);
std::u16string AsciiLowered(std::u16string_view text);
