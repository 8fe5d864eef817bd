#include <gtest/gtest.h>

#include <atomic>
#include <shared_mutex>
#include <thread>

#include "i18n/format_retry.h"
#include "i18n/language_choice.h"
#include "i18n/text_cache.h"

namespace {

const char* CodeOf(int index) { return PlayerLangTable()[index].code; }

std::string Choose(const LanguageSources& sources) { return CodeOf(ChooseLanguage(PlayerLangTable(), sources)); }

LanguageSources UiOnly(std::uint16_t langId) {
    LanguageSources s;
    s.uiLanguage = langId;
    return s;
}

LanguageSources ArgsThenUi(std::vector<std::u16string> args, std::uint16_t langId = 0x0409) {
    LanguageSources s;
    s.args = std::move(args);
    s.uiLanguage = langId;
    return s;
}

TEST(I18nChoice, EdgeCases) {
    LanguageSources longEnvironment = UiOnly(0x0411);
    longEnvironment.environment = std::u16string(40, u'a');
    LanguageSources shortEnvironment = UiOnly(0x0411);
    shortEnvironment.environment = u"FR";
    LanguageSources fallThrough = ArgsThenUi({u"--lang", u"en-US"}, 0x0419);
    fallThrough.environment = u"nl";
    LanguageSources registry = UiOnly(0x0411);
    registry.registry = RegistryText{true, u"sv"};
    LanguageSources expandRegistry = UiOnly(0x0411);
    expandRegistry.registry = RegistryText{false, u"sv"};

    const struct {
        const char* name;
        LanguageSources sources;
        const char* expected;
    } cases[] = {
        {"English (United Kingdom)", UiOnly(0x0809), "en"},
        {"Chinese (Hong Kong SAR)", UiOnly(0x0C04), "zh-tw"},
        {"Chinese (Taiwan)", UiOnly(0x0404), "zh-tw"},
        {"Chinese (Macao SAR)", UiOnly(0x1404), "zh-tw"},
        {"Chinese (Singapore)", UiOnly(0x1004), "zh-cn"},
        {"Chinese (PRC)", UiOnly(0x0804), "zh-cn"},
        {"Portuguese (Brazil)", UiOnly(0x0416), "pt"},
        {"Norwegian Nynorsk", UiOnly(0x0814), "nb"},
        {"Korean", UiOnly(0x0412), "ko"},
        {"Greek falls back to English", UiOnly(0x0408), "en"},
        {"--lang ZH-TW", ArgsThenUi({u"--lang", u"ZH-TW"}), "zh-tw"},
        {"--lang=fr", ArgsThenUi({u"--lang=fr"}), "fr"},
        {"--lang en-US matches nothing", fallThrough, "nl"},
        {"first matching value wins", ArgsThenUi({u"--lang", u"xx", u"--lang", u"de", u"--lang", u"fr"}), "de"},
        {"--lang as the last argument", ArgsThenUi({u"--lang"}, 0x0411), "ja"},
        {"--lang= with nothing after it", ArgsThenUi({u"--lang=", u"--lang=it"}), "it"},
        {"--LANG is not the switch", ArgsThenUi({u"--LANG", u"de"}, 0x0411), "ja"},
        {"--lang value is consumed", ArgsThenUi({u"--lang", u"--lang=de"}, 0x0411), "ja"},
        {"zh is no language", ArgsThenUi({u"--lang", u"zh"}, 0x0415), "pl"},
        {"JK_LANG of 40 characters ignored", longEnvironment, "ja"},
        {"JK_LANG in capitals", shortEnvironment, "fr"},
        {"registry REG_SZ", registry, "sv"},
        {"registry REG_EXPAND_SZ ignored", expandRegistry, "ja"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Choose(c.sources), c.expected) << c.name;
}

TEST(I18nChoice, RegistryValueUsesAtMost31Units) {
    const LangInfo* t = PlayerLangTable();
    EXPECT_EQ(LanguageFromRegistry(t, RegistryText{true, std::u16string(u"de\0junk", 7)}), 5);
    EXPECT_EQ(LanguageFromRegistry(t, RegistryText{true, std::u16string(31, u' ') + u"de"}), std::nullopt);
    EXPECT_EQ(LanguageFromRegistry(t, RegistryText{true, u""}), std::nullopt);
    EXPECT_EQ(LanguageFromRegistry(t, std::nullopt), std::nullopt);
}

TEST(I18nChoice, EnvironmentBufferIs32Units) {
    const LangInfo* t = PlayerLangTable();
    EXPECT_EQ(LanguageFromEnvironment(t, std::u16string(u"de")), 5);
    EXPECT_EQ(LanguageFromEnvironment(t, std::u16string(u"")), std::nullopt);
    EXPECT_EQ(LanguageFromEnvironment(t, std::u16string(31, u'x')), std::nullopt);
    EXPECT_EQ(LanguageFromEnvironment(t, std::u16string(32, u'x')), std::nullopt);
}

TEST(I18nFormatRetry, DoublesUpTo32768UnitsThenGivesTheTextUnformatted) {
    const struct {
        size_t length;
        int attempts;
        bool formatted;
    } cases[] = {{0, 1, true}, {255, 1, true}, {256, 2, true}, {300, 2, true},
                 {32767, 8, true}, {32768, 8, false}, {40000, 8, false}};
    for (const auto& c : cases) {
        int attempts = 0;
        const std::u16string out = FormatWithGrowingBuffer<char16_t>(u"fmt", [&](char16_t* buffer, size_t units) {
            ++attempts;
            EXPECT_EQ(units, size_t(256) << (attempts - 1));
            if (c.length >= units)
                return -1;
            std::fill(buffer, buffer + c.length, u'y');
            return static_cast<int>(c.length);
        });
        EXPECT_EQ(attempts, c.attempts) << c.length;
        EXPECT_EQ(out, c.formatted ? std::u16string(c.length, u'y') : u"fmt") << c.length;
    }
}

TEST(I18nTextCache, ConcurrentFirstLookupsShareOneText) {
    TextCache<char16_t, std::shared_mutex> cache;
    static const char16_t source[] = u"재생";
    std::atomic<int> conversions{0};
    std::atomic<bool> go{false};
    std::vector<const char16_t*> results(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            while (!go)
                std::this_thread::yield();
            const char16_t* hit = cache.Find(source);
            results[i] = hit ? hit : cache.Insert(source, [&] {
                ++conversions;
                return std::u16string(u"Wiedergabe");
            });
        });
    }
    go = true;
    for (auto& t : threads)
        t.join();
    for (const char16_t* r : results)
        EXPECT_EQ(r, results[0]);
    EXPECT_EQ(std::u16string(results[0]), u"Wiedergabe");
    EXPECT_EQ(conversions.load(), 1);
    EXPECT_EQ(cache.Find(source), results[0]);
}

} // namespace
