#pragma once
// Zero-cost views between the portable code's char16_t strings and the Windows API's wchar_t.
#include <windows.h>
#include <string>
#include <string_view>
#include <vector>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline std::u16string U16(const wchar_t* s) {
    return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}
inline std::u16string U16(const wchar_t* s, size_t n) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}

// The system's UTF-8 conversions of NUL-terminated text; a failure gives an empty string.
std::wstring WideFromUtf8(const char* text);
std::string Utf8FromWide(const wchar_t* text);

// This process's command-line arguments after the program name, split by the system's rules.
std::vector<std::u16string> ProcessArguments();
