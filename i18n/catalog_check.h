#pragma once
// The rules every translation keeps, checked over whole catalogs by the tests.
#include <string>
#include <string_view>
#include <vector>

#include "i18n/lang_table.h"

// The printf conversion specifications in order ("%d", "%ls", "%.1f", "%08X", "%%", ...).
std::vector<std::string> PrintfConversions(std::string_view text);

// Empty when the translation keeps the key's conversions, shortcut after a tab, line breaks and
// product name; otherwise what it breaks.
std::string TranslationProblem(std::string_view key, std::string_view text);

// Every problem of a catalog: missing or empty texts, differing key sets, unsorted or duplicate
// keys, broken invariants. Each line names the language and the key.
std::vector<std::string> CheckCatalog(const LangInfo* table);
