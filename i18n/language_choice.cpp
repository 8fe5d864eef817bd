#include "i18n/language_choice.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/utf.h"

namespace {

std::optional<int> MatchNonEmpty(const LangInfo* table, std::u16string_view value) {
    if (value.empty())
        return std::nullopt;
    return MatchLanguageName(table, Utf16ToUtf8(value));
}

} // namespace

std::optional<int> MatchLanguageName(const LangInfo* table, std::string_view name) {
    for (size_t i = 0; i < kLangCount; ++i) {
        if (AsciiEqualsNoCase(std::string_view(table[i].code), name))
            return static_cast<int>(i);
    }
    return std::nullopt;
}

std::optional<int> LanguageFromArguments(const LangInfo* table, const std::vector<std::u16string>& args) {
    constexpr std::u16string_view kSwitch = u"--lang";
    constexpr std::u16string_view kPrefix = u"--lang=";
    for (size_t i = 0; i < args.size(); ++i) {
        std::u16string_view value;
        if (args[i] == kSwitch) {
            if (i + 1 >= args.size())
                break;
            value = args[++i];
        } else if (std::u16string_view(args[i]).substr(0, kPrefix.size()) == kPrefix) {
            value = std::u16string_view(args[i]).substr(kPrefix.size());
        } else {
            continue;
        }
        if (const auto match = MatchNonEmpty(table, value))
            return match;
    }
    return std::nullopt;
}

std::optional<int> LanguageFromEnvironment(const LangInfo* table, const std::optional<std::u16string>& value) {
    if (!value || value->size() >= kLangEnvironmentUnits)
        return std::nullopt;
    return MatchNonEmpty(table, *value);
}

std::optional<int> LanguageFromRegistry(const LangInfo* table, const std::optional<RegistryText>& value) {
    if (!value || !value->isRegSz)
        return std::nullopt;
    std::u16string_view units(value->units);
    units = units.substr(0, std::min(units.size(), kLangRegistryUnits - 1)); // the 32nd unit is forced to 0
    units = units.substr(0, units.find(u'\0'));
    return MatchNonEmpty(table, units);
}

std::optional<int> LanguageFromUiLanguage(const LangInfo* table, std::uint16_t langId) {
    for (size_t i = 0; i < kLangCount; ++i) {
        for (std::int32_t id : table[i].langIds) {
            if (id == 0)
                break;
            if (id == langId)
                return static_cast<int>(i);
        }
    }
    for (size_t i = 0; i < kLangCount; ++i) {
        if (table[i].langIds[0] == 0 && table[i].primaryLang == (langId & 0x3FF))
            return static_cast<int>(i);
    }
    return std::nullopt;
}

int ChooseLanguage(const LangInfo* table, const LanguageSources& sources) {
    if (const auto fromArgs = LanguageFromArguments(table, sources.args))
        return *fromArgs;
    if (const auto fromEnvironment = LanguageFromEnvironment(table, sources.environment))
        return *fromEnvironment;
    if (const auto fromRegistry = LanguageFromRegistry(table, sources.registry))
        return *fromRegistry;
    if (const auto fromUi = LanguageFromUiLanguage(table, sources.uiLanguage))
        return *fromUi;
    return MatchLanguageName(table, "en").value_or(kEnglishIndex);
}
