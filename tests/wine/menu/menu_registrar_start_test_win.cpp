// The player's start of the registrar, with the registrar replaced by a recorder of its command
// line: in-process through StartMenuRegistrar, and once through the whole player.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/menu_registrar_start_win.h"
#include "base/wide_win.h"
#include "tests/wine/menu/menu_test_support_win.h"

namespace {

constexpr const wchar_t* kTestSubkey = L"Software\\JaskelTest\\Win11MenuStart";
constexpr const wchar_t* kCfg =
    L"Jaskel.Menu|CN=Jaskel, O=Jaskel|1.0.0.0|C:\\Program Files\\J\\m.msix|C:\\J|S|A";

// The installer's two values under HKEY_LOCAL_MACHINE, removed again at the end.
class InstallerValues {
  public:
    InstallerValues(const wchar_t* subkey, const std::wstring& ctl, const std::wstring& cfg)
        : subkey_(subkey) {
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, subkey_, KEY_WOW64_64KEY, 0);
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, subkey_, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                        &key, nullptr);
        Set(key, L"Ctl", ctl);
        Set(key, L"Cfg", cfg);
        RegCloseKey(key);
    }
    ~InstallerValues() { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, subkey_, KEY_WOW64_64KEY, 0); }

  private:
    static void Set(HKEY key, const wchar_t* name, const std::wstring& value) {
        if (!value.empty())
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    const wchar_t* subkey_;
};

class MenuRegistrarStart : public ::testing::Test {
  protected:
    void SetUp() override {
        recorder_ = work_.File(L"menu-registrar.exe");
        ASSERT_TRUE(CopyFileW(BuiltMenuTestHelper().c_str(), recorder_.c_str(), FALSE));
        record_ = work_.File(L"record.txt");
        SetEnvironmentVariableW(L"JK_RECORDER_OUT", record_.c_str());
    }
    void TearDown() override { SetEnvironmentVariableW(L"JK_RECORDER_OUT", nullptr); }

    std::string Expected() const {
        return "\"" + Utf8FromWide(recorder_.c_str()) + "\" ensure \"" + Utf8FromWide(kCfg) + "\"\n";
    }
    std::string Recorded(DWORD waitMs) const {
        WaitUntil([&] { return ReadWholeFile(record_).has_value(); }, waitMs);
        Sleep(200); // a second start, if there were one, would have written by now too
        return ReadWholeFile(record_).value_or("");
    }

    TempFolder work_;
    std::wstring recorder_, record_;
};

TEST_F(MenuRegistrarStart, StartsEnsureWithTheQuotedConfiguration) {
    InstallerValues values(kTestSubkey, recorder_, kCfg);
    StartMenuRegistrar(kTestSubkey);
    EXPECT_EQ(Recorded(10000), Expected());
}

TEST_F(MenuRegistrarStart, DoesNothingWithoutBothValuesOrWithoutTheProgram) {
    struct Case {
        const char* name;
        std::wstring ctl, cfg;
    };
    const Case cases[] = {
        {"no configuration", recorder_, L""},
        {"no registrar path", L"", kCfg},
        {"registrar missing", work_.File(L"gone.exe"), kCfg},
        {"registrar path is a folder", work_.Path(), kCfg},
    };
    for (const auto& c : cases) {
        InstallerValues values(kTestSubkey, c.ctl, c.cfg);
        StartMenuRegistrar(kTestSubkey);
    }
    StartMenuRegistrar(L"Software\\JaskelTest\\NoSuchKey");
    EXPECT_EQ(Recorded(1500), "");
}

TEST_F(MenuRegistrarStart, DoesNothingInADevelopmentTree) {
    const std::wstring marker = TestProgramFolder() + L"\\.jk-devtree";
    WriteTextFile(marker);
    InstallerValues values(kTestSubkey, recorder_, kCfg);
    StartMenuRegistrar(kTestSubkey);
    DeleteFileW(marker.c_str());
    EXPECT_EQ(Recorded(1500), "");
}

// The build tree's player carries the development marker, so a copy outside it plays the installed one.
TEST_F(MenuRegistrarStart, TheInstalledPlayerStartsTheRegistrarAndTheDevelopmentTreeDoesNot) {
    InstallerValues values(kMenuRegistrarSubkey, recorder_, kCfg);
    const std::wstring built = TestProgramFolder() + L"\\..\\..\\..\\app\\Jaskel Player.exe";
    const std::wstring installed = work_.File(L"Jaskel Player.exe");
    ASSERT_TRUE(CopyFileW(built.c_str(), installed.c_str(), FALSE));
    for (const std::wstring& program : {built, installed}) {
        ChildProcess player;
        ASSERT_TRUE(player.Start(program, {}, {{L"JK_NOUPDATE", L"1"}}));
        ASSERT_TRUE(
            WaitUntil([&] { return FindProcessWindow(player.Id(), L"JaskelMFPlayer") != nullptr; }, 20000));
        Sleep(1500);
        PostMessageW(FindProcessWindow(player.Id(), L"JaskelMFPlayer"), WM_CLOSE, 0, 0);
        player.WaitForExit(10000);
    }
    EXPECT_EQ(Recorded(10000), Expected()) << "one start, from the installed copy only";
    DeleteFileW(installed.c_str());
}

} // namespace
