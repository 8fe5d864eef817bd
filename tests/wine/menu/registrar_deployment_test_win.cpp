// Registration, upkeep and clean-up against a substitute package manager (Wine has none), with the
// real state record in the registry, the real log file and real folders.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/wide_win.h"
#include "registrar/package_cleanup_win.h"
#include "registrar/register_win.h"
#include "registrar/run_registrar_win.h"
#include "tests/wine/menu/menu_test_support_win.h"

namespace {

using Lines = std::vector<std::string>;
constexpr const char16_t* kStateKey = u"Software\\JaskelTest\\RegistrarDeployment";

// Packages kept in memory; each call is recorded and each outcome chosen by the test.
class FakeDeployment : public DeploymentService {
  public:
    std::vector<PackageInfo> current, allUsers;
    std::vector<PackageInfo> afterAdd; // what the current user has once an add completes
    DeploymentOutcome addOutcome{true, 0, u""};
    DeploymentOutcome removeOutcome{true, 0, u""};
    bool throwOnFind = false;
    std::vector<std::u16string> removed, added;
    std::vector<bool> removedForAll, foundForAll;
    int adds = 0;

    std::vector<PackageInfo> FindPackages(const std::u16string&, const std::u16string&, bool all) override {
        if (throwOnFind)
            throw DeploymentError{static_cast<std::int32_t>(0x80040154), u"Class not registered"};
        foundForAll.push_back(all);
        return all ? allUsers : current;
    }
    DeploymentOutcome RemovePackage(const std::u16string& fullName, bool all) override {
        removed.push_back(fullName);
        removedForAll.push_back(all);
        if (removeOutcome.completed && removeOutcome.extendedError >= 0) {
            Drop(current, fullName);
            Drop(allUsers, fullName);
        }
        return removeOutcome;
    }
    DeploymentOutcome AddPackage(const std::u16string& packageUri,
                                 const std::u16string& externalUri) override {
        ++adds;
        added = {packageUri, externalUri};
        if (addOutcome.completed && addOutcome.extendedError >= 0)
            current = afterAdd;
        return addOutcome;
    }

  private:
    static void Drop(std::vector<PackageInfo>& list, const std::u16string& fullName) {
        std::erase_if(list, [&](const PackageInfo& p) { return p.fullName == fullName; });
    }
};

PackageInfo Package(const char16_t* version, const char16_t* externalPath, const char16_t* full = u"Full_1") {
    return PackageInfo{full, u"Jaskel.Menu_fam", version, externalPath};
}

class RegistrarDeployment : public ::testing::Test {
  protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"LOCALAPPDATA", localAppData_.Path().c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, Wide(std::u16string(kStateKey)));
        cfg_ = MenuCfg{u"Jaskel.Menu", u"CN=Jaskel", u"1.0.0.0", u"C:\\pkg\\menu.msix",
                       u"C:\\App\\",   kStateKey,    u"A"};
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, Wide(std::u16string(kStateKey)));
        RemoveTree(localAppData_.Path() + L"\\Jaskel");
    }

    int Register() { return ::Register(cfg_, services_); }
    int Ensure() { return ::Ensure(cfg_, services_); }
    Lines Log() const { return Messages(LogLines(localAppData_.Path())); }

    std::optional<DWORD> Number(const wchar_t* name) const {
        DWORD value = 0, bytes = sizeof value;
        if (RegGetValueW(HKEY_CURRENT_USER, Wide(std::u16string(kStateKey)), name, RRF_RT_REG_DWORD, nullptr,
                         &value, &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        return value;
    }
    std::wstring Text(const wchar_t* name) const {
        wchar_t value[512] = L"<missing>";
        DWORD bytes = sizeof value;
        RegGetValueW(HKEY_CURRENT_USER, Wide(std::u16string(kStateKey)), name, RRF_RT_REG_SZ, nullptr, value,
                     &bytes);
        return value;
    }

    TempFolder localAppData_;
    FakeDeployment fake_;
    std::optional<std::u16string> skip_;
    RegistrarServices services_{fake_, [this] { return skip_; }};
    MenuCfg cfg_;
};

TEST_F(RegistrarDeployment, RegistersANewPackageAndRecordsIt) {
    fake_.afterAdd = {Package(u"1.0.0.0", u"C:\\App")};
    EXPECT_EQ(Register(), 0);
    EXPECT_EQ(fake_.added, (std::vector<std::u16string>{u"file:///C:/pkg/menu.msix", u"file:///C:/App/"}));
    EXPECT_EQ(Log(), (Lines{"register ok Jaskel.Menu 1.0.0.0"}));
    EXPECT_EQ(Number(L"Hr"), 0u);
    EXPECT_EQ(Number(L"Tries"), 0u);
    EXPECT_EQ(Text(L"Pfn"), L"Jaskel.Menu_fam");
    EXPECT_EQ(Text(L"Ver"), L"1.0.0.0");
    EXPECT_EQ(Text(L"InstallId"), L"A");
}

TEST_F(RegistrarDeployment, AlreadyRegisteredAtTheSameLocationIsLeftAsItIs) {
    cfg_.externalLocation = u"c:\\app";
    fake_.current = {Package(u"0.9.0.0", u"D:\\Old"), Package(u"1.0.0.0", u"C:\\App\\", u"Full_2")};
    EXPECT_EQ(Register(), 0);
    EXPECT_EQ(fake_.adds, 0);
    EXPECT_TRUE(fake_.removed.empty());
    EXPECT_EQ(Log(), (Lines{"register already Jaskel.Menu 1.0.0.0"}));
    EXPECT_EQ(Number(L"Tries"), 0u);
    EXPECT_EQ(Text(L"Pfn"), L"Jaskel.Menu_fam");
}

TEST_F(RegistrarDeployment, SameVersionAtAnotherLocationIsReplaced) {
    fake_.current = {Package(u"1.0.0.0", u"D:\\Elsewhere")};
    fake_.afterAdd = {Package(u"1.0.0.0", u"C:\\App")};
    EXPECT_EQ(Register(), 0);
    EXPECT_EQ(fake_.removed, (std::vector<std::u16string>{u"Full_1"}));
    EXPECT_EQ(fake_.adds, 1);
    EXPECT_EQ(Log(),
              (Lines{"register same-version other-location Jaskel.Menu (D:\\Elsewhere) \xE2\x80\x94 replace",
                     "register ok Jaskel.Menu 1.0.0.0"}));
}

TEST_F(RegistrarDeployment, FailuresAreLoggedAndRecorded) {
    struct Case {
        const char* name;
        std::function<void(FakeDeployment&)> arrange;
        Lines log;
        DWORD hr;
    };
    const Case cases[] = {
        {"verification finds nothing",
         [](FakeDeployment&) {},
         {"register verify fail Jaskel.Menu count=0"},
         0x8000FFFF},
        {"verification finds another version",
         [](FakeDeployment& f) { f.afterAdd = {Package(u"0.9.0.0", u"C:\\App")}; },
         {"register verify fail Jaskel.Menu count=1"},
         0x8000FFFF},
        {"deployment error",
         [](FakeDeployment& f) {
             f.addOutcome = {true, static_cast<std::int32_t>(0x80073CF3), u"conflict"};
         },
         {"register fail Jaskel.Menu hr=2147958003 conflict"},
         0x80073CF3},
        {"add timeout",
         [](FakeDeployment& f) {
             f.addOutcome = {false, 0, u""};
         },
         {"register timeout Jaskel.Menu"},
         0x800705B4},
        {"platform error",
         [](FakeDeployment& f) { f.throwOnFind = true; },
         {"register exception Jaskel.Menu Class not registered"},
         0x80040154},
    };
    for (const auto& c : cases) {
        FakeDeployment fake;
        c.arrange(fake);
        RegistrarServices services{fake, [] { return std::optional<std::u16string>(); }};
        RemoveTree(localAppData_.Path() + L"\\Jaskel");
        EXPECT_EQ(::Register(cfg_, services), 3) << c.name;
        EXPECT_EQ(Log(), c.log) << c.name;
        EXPECT_EQ(Number(L"Hr"), c.hr) << c.name;
        EXPECT_EQ(Text(L"Pfn"), L"") << c.name;
    }
    EXPECT_EQ(Number(L"Tries"), 5u) << "five failures in a row for the same version and installation";
}

TEST_F(RegistrarDeployment, RemovalTimeoutStopsBeforeAdding) {
    fake_.current = {Package(u"1.0.0.0", u"D:\\Elsewhere")};
    fake_.removeOutcome = {false, 0, u""};
    EXPECT_EQ(Register(), 3);
    EXPECT_EQ(fake_.adds, 0);
    EXPECT_EQ(
        Log(),
        (Lines{"register same-version other-location Jaskel.Menu (D:\\Elsewhere) \xE2\x80\x94 replace"}));
    EXPECT_EQ(Number(L"Hr"), 0x800705B4u);
}

TEST_F(RegistrarDeployment, EnsureGivesUpAfterThreeFailuresUntilTheVersionChanges) {
    fake_.addOutcome = {true, static_cast<std::int32_t>(0x80070005), u"denied"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Ensure(), 3);
    EXPECT_EQ(Number(L"Tries"), 3u);
    EXPECT_EQ(Ensure(), 2) << "given up";
    EXPECT_EQ(fake_.adds, 3) << "nothing tried when given up";
    EXPECT_EQ(Log().size(), 3u) << "giving up writes no line";
    cfg_.installId = u"B";
    EXPECT_EQ(Ensure(), 3) << "a new installation tries again";
    EXPECT_EQ(Number(L"Tries"), 1u);
    cfg_.version = u"1.0.1.0";
    EXPECT_EQ(Ensure(), 3);
    EXPECT_EQ(Number(L"Tries"), 1u) << "a new version starts the count again";
    fake_.addOutcome = {true, 0, u""};
    fake_.afterAdd = {Package(u"1.0.1.0", u"C:\\App")};
    EXPECT_EQ(Ensure(), 0);
    EXPECT_EQ(Number(L"Tries"), 0u);
    EXPECT_EQ(Ensure(), 0) << "then it stays registered";
    EXPECT_EQ(Log().back(), "register already Jaskel.Menu 1.0.1.0");
}

TEST_F(RegistrarDeployment, SkippedSystemsAreLeftAlone) {
    skip_ = u"classic-menu-forced";
    EXPECT_EQ(Ensure(), 2);
    EXPECT_EQ(Register(), 2);
    EXPECT_EQ(fake_.adds, 0);
    EXPECT_EQ(Log(), (Lines{"register skip Jaskel.Menu (classic-menu-forced)"}));
    EXPECT_EQ(Number(L"Hr"), std::nullopt) << "no state record";
}

TEST_F(RegistrarDeployment, UnregisterForTheCurrentUserAndForAllUsers) {
    const std::u16string cfgText =
        u"Jaskel.Menu|CN=Jaskel|1.0.0.0|C:\\pkg\\menu.msix|C:\\App|" + std::u16string(kStateKey) + u"|A";
    fake_.current = {Package(u"1.0.0.0", u"C:\\App", u"Full_1")};
    fake_.allUsers = {Package(u"1.0.0.0", u"C:\\App", u"Full_1"), Package(u"0.9.0.0", u"C:\\Old", u"Full_0")};
    EXPECT_EQ(RunRegistrar({u"unregister", cfgText}, services_), 0);
    EXPECT_EQ(fake_.removedForAll, (std::vector<bool>{false}));
    EXPECT_EQ(RunRegistrar({u"unregister", cfgText, u"--all-users"}, services_), 0);
    EXPECT_EQ(fake_.removed, (std::vector<std::u16string>{u"Full_1", u"Full_0"}));
    EXPECT_EQ(fake_.removedForAll, (std::vector<bool>{false, true}));
    EXPECT_EQ(fake_.foundForAll, (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(Log(), (Lines{"unregister ok Jaskel.Menu", "unregister ok Jaskel.Menu (all users)"}));
    EXPECT_EQ(Number(L"Hr"), std::nullopt) << "the state record is not touched";
}

TEST_F(RegistrarDeployment, UnregisterFailuresAndTimeouts) {
    fake_.current = {Package(u"1.0.0.0", u"C:\\App", u"Full_1")};
    fake_.removeOutcome = {true, static_cast<std::int32_t>(0x80073CFA), u"in use"};
    EXPECT_EQ(Unregister(cfg_, false, fake_), 3);
    EXPECT_EQ(Log(), (Lines{"unregister fail Jaskel.Menu hr=2147958010", "unregister left 1 Jaskel.Menu"}));
    fake_.current.push_back(Package(u"0.9.0.0", u"C:\\Old", u"Full_0"));
    fake_.removeOutcome = {false, 0, u""};
    fake_.removed.clear();
    EXPECT_EQ(Unregister(cfg_, false, fake_), 3);
    EXPECT_EQ(fake_.removed.size(), 1u) << "a timeout ends the command at once";
    EXPECT_EQ(Log().back(), "unregister timeout Jaskel.Menu");
}

TEST_F(RegistrarDeployment, PruneKeepsListedAndRegisteredVersionsAndFollowsNoLink) {
    TempFolder versions;
    cfg_.externalLocation = U16((versions.Path() + L"\\1.0.0.0\\").c_str());
    fake_.allUsers = {Package(u"1.0.0.0", u"x"), Package(u"0.9.0.0", u"y")};
    const auto folder = [&](const wchar_t* name) { return versions.File(name); };
    for (const wchar_t* name : {L"1.0.0.0", L"0.9.0.0", L"Current", L"0.8.0.0", L"0.7.0.0", L"0.6.0.0"}) {
        CreateDirectoryW(folder(name).c_str(), nullptr);
        WriteTextFile(folder(name) + L"\\jaskel-player-win11.dll");
    }
    CreateDirectoryW((folder(L"0.6.0.0") + L"\\sub").c_str(), nullptr);
    // Links out of the parent: a version folder that is one, and one inside a version folder.
    TempFolder outside;
    WriteTextFile(outside.File(L"precious.txt"));
    ASSERT_TRUE(MakeFolderLink(folder(L"0.5.0.0"), outside.Path()));
    CreateDirectoryW(folder(L"0.4.0.0").c_str(), nullptr);
    ASSERT_TRUE(MakeFolderLink(folder(L"0.4.0.0") + L"\\inner", outside.Path()));
    EXPECT_EQ(Prune(cfg_, {u"current"}, fake_), 0);
    EXPECT_NE(GetFileAttributesW(outside.File(L"precious.txt").c_str()), INVALID_FILE_ATTRIBUTES)
        << "nothing behind a link is deleted";
    for (const wchar_t* kept : {L"1.0.0.0", L"0.9.0.0", L"Current", L"0.6.0.0"})
        EXPECT_NE(GetFileAttributesW(folder(kept).c_str()), INVALID_FILE_ATTRIBUTES) << Utf8FromWide(kept);
    for (const wchar_t* gone : {L"0.8.0.0", L"0.7.0.0"})
        EXPECT_EQ(GetFileAttributesW(folder(gone).c_str()), INVALID_FILE_ATTRIBUTES) << Utf8FromWide(gone);
    EXPECT_EQ(Log(), (Lines{"prune Jaskel.Menu removed=2"})) << "a folder holding a subfolder is not counted";
    for (const wchar_t* name : {L"1.0.0.0", L"0.9.0.0", L"Current", L"0.6.0.0", L"0.5.0.0", L"0.4.0.0"})
        RemoveTree(folder(name));
}

TEST_F(RegistrarDeployment, PruneNeedsAParentAndAPackageList) {
    cfg_.externalLocation = u"NoSeparator";
    EXPECT_EQ(Prune(cfg_, {}, fake_), 3);
    fake_.throwOnFind = true;
    EXPECT_EQ(Prune(cfg_, {}, fake_), 3);
    EXPECT_EQ(Log(), (Lines{"prune: cannot list packages Jaskel.Menu"}));
}

} // namespace
