// The catalog's Windows layer: runs with JK_LANG=de (set by the test registration), plus child
// processes for the choices that happen once per process.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "i18n/i18n_win.h"
#include "tests/wine/test_support_win.h"

namespace {

std::string LangProbe(const std::vector<std::wstring>& args,
                      std::vector<std::pair<std::wstring, std::wstring>> env = {}) {
    TempFolder folder;
    const std::wstring out = folder.File(L"out.txt");
    env.emplace_back(L"JK_LANG_PROBE_OUT", out);
    if (std::none_of(env.begin(), env.end(), [](const auto& e) { return e.first == L"JK_LANG"; }))
        env.emplace_back(L"JK_LANG", L"");
    ChildProcess probe;
    if (!probe.Start(TestProgramFolder() + L"\\lang_probe.exe", args, env))
        return "start failed";
    if (probe.WaitForExit(20000) != 0u)
        return "probe failed";
    auto text = ReadWholeFile(out).value_or("no output");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

class LangRegistryValue {
  public:
    LangRegistryValue(DWORD type, const wchar_t* value) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Jaskel", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr);
        RegSetValueExW(key_, L"Lang", 0, type, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    ~LangRegistryValue() {
        RegDeleteValueW(key_, L"Lang");
        RegCloseKey(key_);
    }

  private:
    HKEY key_ = nullptr;
};

std::string CodeField(const std::string& line) {
    const size_t at = line.find("code=");
    return at == std::string::npos ? line : line.substr(at + 5, line.find(' ', at) - at - 5);
}

TEST(I18n, EnvironmentChoseGerman) {
    EXPECT_STREQ(I18nLangCode(), "de");
    EXPECT_FALSE(I18nIsRtl());
    EXPECT_STREQ(I18nFontFace(), L"Segoe UI");
    EXPECT_STREQ(I18nText(L"Jaskel Player"), L"Jaskel Player");
}

TEST(I18n, TwoThreadsLookingUpTheSameLiteralFirstGetTheSameAddress) {
    static const wchar_t kLiteral[] = L"재생 목록 저장…";
    std::atomic<int> ready{0};
    const wchar_t* results[2] = {};
    std::thread threads[2];
    for (int i = 0; i < 2; ++i) {
        threads[i] = std::thread([&, i] {
            ++ready;
            while (ready.load() < 2) {
            }
            results[i] = I18nText(kLiteral);
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(results[0], results[1]);
    EXPECT_NE(results[0], kLiteral);
    EXPECT_EQ(I18nText(kLiteral), results[0]);
}

TEST(I18n, UnknownLiteralComesBackAndCountsEveryCall) {
    static const wchar_t kUnknown[] = L"카탈로그에 없는 문장";
    const long before = I18nMissCount();
    EXPECT_EQ(I18nText(kUnknown), kUnknown);
    EXPECT_EQ(I18nText(kUnknown), kUnknown);
    EXPECT_EQ(I18nMissCount(), before + 2);
    EXPECT_EQ(I18nText(nullptr), nullptr);
}

TEST(I18n, FormatGrowsThenGivesUp) {
    const std::wstring w300(300, L'w');
    EXPECT_EQ(I18nFormat(L"%ls", w300.c_str()), w300);
    const std::wstring w40000(40000, L'w');
    const wchar_t* translated = I18nText(L"반복 시작 A · %s");
    EXPECT_NE(std::wstring(translated), L"반복 시작 A · %s");
    EXPECT_EQ(I18nFormat(L"반복 시작 A · %s", w40000.c_str()), translated);
}

TEST(I18n, FormatTakesWideStringsForBothStringConversions) {
    const std::wstring expected = std::wstring(L"5 s ") + I18nText(L"뒤로") + L" · 1:23";
    EXPECT_EQ(I18nFormat(L"%d초 %s · %s", 5, I18nText(L"뒤로"), L"1:23"), expected);
    EXPECT_EQ(I18nFormat(L"볼륨 %d%%", 80), std::wstring(I18nText(L"볼륨 %d%%")).replace(
                                                std::wstring(I18nText(L"볼륨 %d%%")).find(L"%d%%"), 4, L"80%"));
}

TEST(I18nProcess, RegistryStringChoosesAndExpandStringIsIgnored) {
    const std::string baseline = CodeField(LangProbe({}));
    ASSERT_NE(baseline, "sv");
    {
        LangRegistryValue value(REG_SZ, L"sv");
        EXPECT_EQ(CodeField(LangProbe({})), "sv");
    }
    {
        LangRegistryValue value(REG_EXPAND_SZ, L"sv");
        EXPECT_EQ(CodeField(LangProbe({})), baseline);
    }
}

TEST(I18nProcess, SourcesInOrder) {
    LangRegistryValue value(REG_SZ, L"sv");
    const struct {
        const char* name;
        std::vector<std::wstring> args;
        std::vector<std::pair<std::wstring, std::wstring>> env;
        const char* code;
    } cases[] = {
        {"command line first", {L"--lang", L"ZH-TW"}, {{L"JK_LANG", L"fr"}}, "zh-tw"},
        {"--lang= form", {L"x", L"--lang=ar"}, {}, "ar"},
        {"unknown value falls through", {L"--lang", L"en-US"}, {{L"JK_LANG", L"fr"}}, "fr"},
        {"JK_LANG before the registry", {}, {{L"JK_LANG", L"it"}}, "it"},
        {"JK_LANG of 40 characters ignored", {}, {{L"JK_LANG", std::wstring(40, L'a')}}, "sv"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodeField(LangProbe(c.args, c.env)), c.code) << c.name;
}

TEST(I18nProcess, KoreanReturnsTheSourcePointerWithoutMisses) {
    EXPECT_EQ(LangProbe({L"--lang", L"ko"}), "code=ko rtl=0 same=1 misses=0 text=재생");
    const std::string arabic = LangProbe({L"--lang", L"ar"});
    EXPECT_NE(arabic.find("code=ar rtl=1 same=0 misses=0"), std::string::npos) << arabic;
}

// The whole player in German: the start-up notice of an installation in progress.
TEST(I18nProcess, PlayerShowsGermanTexts) {
    const std::wstring marker = PlayerFolder() + L"\\.jk-installing";
    HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    TempFolder diag;
    ChildProcess player;
    ASSERT_TRUE(player.Start(PlayerPath(), {L"--lang", L"de"}, {{L"JK_DIAG_DIR", diag.Path()}}));
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindProcessWindow(player.Id(), L"#32770")) != nullptr; }, 20000);
    const auto log = ReadWholeFile(diag.File(L"texts.log"));
    if (box)
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    const auto code = player.WaitForExit(20000);
    DeleteFileW(marker.c_str());
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(code, 0u);
    ASSERT_TRUE(log.has_value());
    std::string expected = "#32770\t";
    char utf8[512];
    WideCharToMultiByte(CP_UTF8, 0, I18nText(L"새 버전을 설치하고 있습니다. 설치가 끝나면 프로그램이 자동으로 다시 열립니다."),
                        -1, utf8, sizeof utf8, nullptr, nullptr);
    expected += utf8;
    EXPECT_EQ(*log, expected + "\n");
    EXPECT_EQ(log->find("새 버전"), std::string::npos) << "no Korean source text shown";
}

} // namespace
