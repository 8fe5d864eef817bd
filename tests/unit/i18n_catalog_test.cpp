#include <gtest/gtest.h>

#include <cstring>

#include "i18n/catalog_check.h"
#include "i18n/catalog_search.h"

namespace {

void ExpectClean(const LangInfo* table, const char* name) {
    const auto problems = CheckCatalog(table);
    for (const auto& p : problems)
        ADD_FAILURE() << name << ": " << p;
    EXPECT_TRUE(problems.empty()) << name;
}

TEST(I18nCatalog, BothCatalogsKeepEveryRule) {
    ExpectClean(PlayerLangTable(), "player catalog");
    ExpectClean(ShellLangTable(), "context-menu catalog");
    EXPECT_EQ(PlayerLangTable()[kEnglishIndex].count, 107u);
    EXPECT_EQ(ShellLangTable()[kEnglishIndex].count, 2u);
}

TEST(I18nCatalog, SeekMessageTranslationsAreTheGivenOnes) {
    const std::pair<const char*, const char*> expected[] = {
        {"en", "%d s %s · %s"},       {"ja", "%d秒%s · %s"},       {"zh-cn", "%d秒 %s · %s"},
        {"zh-tw", "%d秒 %s · %s"},    {"ru", "%d с %s · %s"},      {"uk", "%d с %s · %s"},
        {"ms", "%d saat %s · %s"},    {"vi", "%d giây %s · %s"},   {"ar", "%d ث %s · %s"},
        {"id", "%d dtk %s · %s"},     {"th", "%d วิ %s · %s"},     {"tr", "%d sn %s · %s"},
        {"fa", "%d ثانیه %s · %s"},   {"hi", "%d सेकंड %s · %s"},  {"pl", "%d s %s · %s"},
    };
    const LangInfo* table = PlayerLangTable();
    for (const auto& [code, text] : expected) {
        const LangInfo* row = nullptr;
        for (size_t i = 0; i < kLangCount; ++i) {
            if (std::strcmp(table[i].code, code) == 0)
                row = &table[i];
        }
        ASSERT_NE(row, nullptr) << code;
        const char* found = FindTranslation(*row, "%d초 %s · %s");
        ASSERT_NE(found, nullptr) << code;
        EXPECT_STREQ(found, text) << code;
    }
}

TEST(I18nCatalog, LanguageRowsAreTheTable) {
    const LangInfo* t = PlayerLangTable();
    const char* codes[] = {"ko", "en", "ja", "zh-cn", "zh-tw", "de", "fr", "es", "nl", "ru", "ms", "vi", "nb",
                           "sv", "sk", "ar", "uk", "it", "id", "cs", "th", "tr", "fa", "pt", "pl", "hi"};
    for (size_t i = 0; i < kLangCount; ++i) {
        EXPECT_STREQ(t[i].code, codes[i]);
        EXPECT_STREQ(ShellLangTable()[i].code, codes[i]);
        EXPECT_EQ(t[i].rtl != 0, std::strcmp(codes[i], "ar") == 0 || std::strcmp(codes[i], "fa") == 0) << codes[i];
    }
    EXPECT_EQ(t[4].langIds[0], 0x0404);
    EXPECT_EQ(t[4].langIds[1], 0x0C04);
    EXPECT_EQ(t[4].langIds[2], 0x1404);
    EXPECT_EQ(t[4].langIds[3], 0);
    EXPECT_EQ(std::u16string(t[20].fontFace), u"Leelawadee UI");
    EXPECT_EQ(std::u16string(t[0].fontFace), u"Malgun Gothic");
}

TEST(I18nCatalog, SearchFindsEveryKeyAndNothingElse) {
    const LangInfo& de = PlayerLangTable()[5];
    for (std::uint32_t i = 0; i < de.count; ++i)
        EXPECT_EQ(FindTranslation(de, de.entries[i].key), de.entries[i].text);
    EXPECT_EQ(FindTranslation(de, ""), nullptr);
    EXPECT_EQ(FindTranslation(de, "없는 문장"), nullptr);
    EXPECT_EQ(FindTranslation(de, std::string(de.entries[0].key) + " "), nullptr);
}

TEST(I18nCatalog, PrintfConversionsInOrder) {
    EXPECT_EQ(PrintfConversions("%d s %s · %s"), (std::vector<std::string>{"%d", "%s", "%s"}));
    EXPECT_EQ(PrintfConversions("error 0x%08X, %.1f / %.1f MB, %.2gx, %ls, 100%%"),
              (std::vector<std::string>{"%08X", "%.1f", "%.1f", "%.2g", "%ls", "%%"}));
    EXPECT_TRUE(PrintfConversions("no conversions").empty());
}

TEST(I18nCatalog, TranslationRulesCatchEachFault) {
    struct Case {
        const char* name;
        const char* key;
        const char* text;
        const char* problem;
    } cases[] = {
        {"kept", "볼륨 %d%%", "Lautstärke %d%%", ""},
        {"conversion dropped", "볼륨 %d%%", "Lautstärke %%", "printf conversions differ"},
        {"conversions swapped", "%d에서 %s", "%s bis %d", "printf conversions differ"},
        {"positional argument", "%d개", "%1$d Stück", "printf conversions differ"},
        {"shortcut kept", "다음\tN", "Weiter\tN", ""},
        {"shortcut translated", "다음\tN", "Weiter\tW", "shortcut after the tab differs"},
        {"tab lost", "다음\tN", "Weiter N", "shortcut after the tab differs"},
        {"line break lost", "하나\n둘", "Eins Zwei", "line breaks differ"},
        {"double break made single", "하나\n\n둘 %ls", "Eins\nZwei\n%ls", "line breaks differ"},
        {"name dropped", "Jaskel Player로 재생", "Mit dem Player abspielen", "product name changed"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranslationProblem(c.key, c.text), c.problem) << c.name;
}

// Builds a catalog like the generated one, with every language holding the given entries.
struct FixtureCatalog {
    std::vector<LangInfo> rows;
    explicit FixtureCatalog(const std::vector<LangEntry>& entries, const std::vector<LangEntry>& german) {
        const LangInfo* real = PlayerLangTable();
        for (size_t i = 0; i < kLangCount; ++i) {
            LangInfo row = real[i];
            const auto& use = (i == 5) ? german : entries;
            row.entries = i == 0 ? nullptr : use.data();
            row.count = i == 0 ? 0 : static_cast<std::uint32_t>(use.size());
            rows.push_back(row);
        }
    }
};

TEST(I18nCatalog, TableChecksCatchStructuralFaults) {
    const std::vector<LangEntry> good = {{"가", "a"}, {"나", "b"}, {"다\tN", "c\tN"}};
    struct Case {
        const char* name;
        std::vector<LangEntry> german;
        const char* expected;
    } cases[] = {
        {"missing text", {{"가", "a"}, {"나", ""}, {"다\tN", "c\tN"}}, "de [나]: missing text"},
        {"unsorted", {{"나", "b"}, {"가", "a"}, {"다\tN", "c\tN"}}, "de [가]: not sorted or duplicated"},
        {"duplicate key", {{"가", "a"}, {"가", "a"}, {"다\tN", "c\tN"}}, "de [가]: not sorted or duplicated"},
        {"missing row", {{"가", "a"}, {"다\tN", "c\tN"}}, "de: 2 entries, en has 3"},
        {"other key", {{"가", "a"}, {"라", "b"}, {"다\tN", "c\tN"}}, "de [라]: key differs from en"},
        {"broken shortcut", {{"가", "a"}, {"나", "b"}, {"다\tN", "c\tW"}},
         "de [다\tN]: shortcut after the tab differs"},
    };
    EXPECT_TRUE(CheckCatalog(FixtureCatalog(good, good).rows.data()).empty());
    for (const auto& c : cases) {
        FixtureCatalog catalog(good, c.german);
        const auto problems = CheckCatalog(catalog.rows.data());
        ASSERT_FALSE(problems.empty()) << c.name;
        EXPECT_NE(std::find(problems.begin(), problems.end(), c.expected), problems.end())
            << c.name << ": got " << problems.front();
    }
}

} // namespace
