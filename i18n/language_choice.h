#pragma once
// Choosing the interface language: the command line, JK_LANG, the registry value, the Windows UI
// language, then English. Each source that names no known language is passed over.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/lang_table.h"

// The first row whose code equals the name, ASCII letters compared without case; no prefix or
// region matching ("en-US" and "zh" match nothing).
std::optional<int> MatchLanguageName(const LangInfo* table, std::string_view name);

// "--lang" VALUE (case-sensitive; ignored as the last argument) and "--lang=VALUE", in order; the
// first value that names a language decides.
std::optional<int> LanguageFromArguments(const LangInfo* table, const std::vector<std::u16string>& args);

// JK_LANG as read into a 32-unit buffer: longer values are ignored.
std::optional<int> LanguageFromEnvironment(const LangInfo* table, const std::optional<std::u16string>& value);

// HKCU\Software\Jaskel "Lang" as read into 64 bytes: only REG_SZ counts and at most 31 units are used.
struct RegistryText {
    bool isRegSz = false;
    std::u16string units; // what the read returned, terminator included or not
};
std::optional<int> LanguageFromRegistry(const LangInfo* table, const std::optional<RegistryText>& value);

// The Windows UI language: an exact LANGID first, then the primary language among rows without a list.
std::optional<int> LanguageFromUiLanguage(const LangInfo* table, std::uint16_t langId);

struct LanguageSources {
    std::vector<std::u16string> args; // after the program name
    std::optional<std::u16string> environment;
    std::optional<RegistryText> registry;
    std::uint16_t uiLanguage = 0;
};

int ChooseLanguage(const LangInfo* table, const LanguageSources& sources);

inline constexpr std::size_t kLangEnvironmentUnits = 32;
inline constexpr std::size_t kLangRegistryUnits = 32;
