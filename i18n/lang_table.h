#pragma once
// The static language table and translation entries that the catalog generator produces.
#include <cstddef>
#include <cstdint>

struct LangEntry {
    const char* key;  // the Korean source text, UTF-8
    const char* text; // the translation, UTF-8
};

struct LangInfo {
    const char* code;       // lower-case ASCII, matched against --lang, JK_LANG and the registry
    std::int32_t primaryLang; // low 10 bits of a LANGID that choose this row when no row names it exactly
    std::int32_t langIds[4]; // exact LANGIDs for this row; the list ends at the first 0
    const char16_t* fontFace;
    std::uint8_t rtl;
    const LangEntry* entries; // sorted by key in strcmp order; null for Korean
    std::uint32_t count;
};

inline constexpr std::size_t kLangCount = 26;
inline constexpr int kKoreanIndex = 0;
inline constexpr int kEnglishIndex = 1;

// The two catalogs share the language rows and differ in their entries.
const LangInfo* PlayerLangTable();
const LangInfo* ShellLangTable();

// The catalog of the program being built (the player or the context-menu library).
const LangInfo* CatalogLangTable();
