#include "i18n/catalog_check.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLength(char c) { return c == 'h' || c == 'l' || c == 'L' || c == 'w' || c == 'I' || c == 'z' || c == 'j'; }

size_t SpecificationEnd(std::string_view text, size_t start) {
    size_t i = start + 1;
    while (i < text.size() && IsFlag(text[i]))
        ++i;
    while (i < text.size() && (IsDigit(text[i]) || text[i] == '*'))
        ++i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && (IsDigit(text[i]) || text[i] == '*'))
            ++i;
    }
    while (i < text.size() && (IsLength(text[i]) || IsDigit(text[i])))
        ++i;
    return std::min(i + 1, text.size());
}

size_t Count(std::string_view text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

std::string_view AfterTab(std::string_view text) {
    const size_t tab = text.find('\t');
    return tab == std::string_view::npos ? std::string_view() : text.substr(tab + 1);
}

std::string Describe(const LangInfo& row, const char* key, const std::string& what) {
    return std::string(row.code) + " [" + key + "]: " + what;
}

void CheckOrder(const LangInfo& row, std::vector<std::string>& problems) {
    for (std::uint32_t i = 1; i < row.count; ++i) {
        if (std::strcmp(row.entries[i - 1].key, row.entries[i].key) >= 0)
            problems.push_back(Describe(row, row.entries[i].key, "not sorted or duplicated"));
    }
}

void CheckSameKeys(const LangInfo& row, const LangInfo& reference, std::vector<std::string>& problems) {
    if (row.count != reference.count) {
        problems.push_back(std::string(row.code) + ": " + std::to_string(row.count) + " entries, " +
                           reference.code + " has " + std::to_string(reference.count));
        return;
    }
    for (std::uint32_t i = 0; i < row.count; ++i) {
        if (std::strcmp(row.entries[i].key, reference.entries[i].key) != 0)
            problems.push_back(Describe(row, row.entries[i].key, "key differs from " + std::string(reference.code)));
    }
}

void CheckTexts(const LangInfo& row, std::vector<std::string>& problems) {
    for (std::uint32_t i = 0; i < row.count; ++i) {
        const LangEntry& e = row.entries[i];
        const std::string problem = (e.text == nullptr || *e.text == '\0') ? "missing text"
                                                                          : TranslationProblem(e.key, e.text);
        if (!problem.empty())
            problems.push_back(Describe(row, e.key, problem));
    }
}

} // namespace

std::vector<std::string> PrintfConversions(std::string_view text) {
    std::vector<std::string> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        const size_t end = SpecificationEnd(text, i);
        found.emplace_back(text.substr(i, end - i));
        i = end - 1;
    }
    return found;
}

std::string TranslationProblem(std::string_view key, std::string_view text) {
    if (PrintfConversions(key) != PrintfConversions(text))
        return "printf conversions differ";
    if (Count(key, "\t") != Count(text, "\t") || AfterTab(key) != AfterTab(text))
        return "shortcut after the tab differs";
    if (Count(key, "\n") != Count(text, "\n") || Count(key, "\n\n") != Count(text, "\n\n"))
        return "line breaks differ";
    if (Count(key, "Jaskel") != Count(text, "Jaskel"))
        return "product name changed";
    return {};
}

std::vector<std::string> CheckCatalog(const LangInfo* table) {
    std::vector<std::string> problems;
    if (table[kKoreanIndex].entries != nullptr || table[kKoreanIndex].count != 0)
        problems.push_back("ko: the source language has no table");
    const LangInfo& reference = table[kEnglishIndex];
    for (size_t i = 1; i < kLangCount; ++i) {
        const LangInfo& row = table[i];
        if (row.entries == nullptr || row.count == 0) {
            problems.push_back(std::string(row.code) + ": no entries");
            continue;
        }
        CheckOrder(row, problems);
        CheckSameKeys(row, reference, problems);
        CheckTexts(row, problems);
    }
    return problems;
}
