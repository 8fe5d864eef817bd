// The real menu-registrar.exe as the installer and the player start it: exit codes and log lines.
// Wine reports Windows 10 and lacks the package manager, so registration is skipped here and the
// package commands report the platform's failure; those paths are tested with a substitute
// package manager in registrar_deployment_test.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "base/proc_address_win.h"
#include "base/wide_win.h"
#include "tests/wine/menu/menu_test_support_win.h"

namespace {

constexpr const wchar_t* kClsid = L"{F5347F30-61EF-5F69-BC99-C6AC47C37593}";
constexpr DWORD kRunTimeoutMs = 30000;

using Lines = std::vector<std::string>;

class RegistrarProcess : public ::testing::Test {
  protected:
    // Runs the registrar with its log under this test's own LOCALAPPDATA; the exit code, or 999.
    DWORD Run(const std::vector<std::wstring>& args) {
        ChildProcess registrar;
        if (!registrar.Start(BuiltRegistrar(), args, {{L"LOCALAPPDATA", localAppData_.Path()}}))
            return 999;
        return registrar.WaitForExit(kRunTimeoutMs).value_or(998);
    }
    Lines Log() const { return Messages(LogLines(localAppData_.Path())); }
    bool Stamped() const { return AllStamped(LogLines(localAppData_.Path())); }
    std::wstring Cfg(const wchar_t* version = L"1.0.0.0") const {
        return L"Jaskel.Menu.Test|CN=Jaskel|" + std::wstring(version) + L"|C:\\none\\menu.msix|" +
               work_.Path() + L"\\menu\\1.0.0.0|Software\\JaskelTest\\RegistrarProcess|A";
    }
    static std::string U8(const std::wstring& text) { return Utf8FromWide(text.c_str()); }

    TempFolder localAppData_;
    TempFolder work_;

    void TearDown() override {
        RemoveTree(localAppData_.Path() + L"\\Jaskel");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\JaskelTest\\RegistrarProcess");
    }
};

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Whether this system lets a program read another process's command line, as stoplock does.
bool CommandLinesReadable() {
    using QueryFn = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    const auto query = ProcAddress<QueryFn>(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
    BYTE buffer[8192];
    ULONG needed = 0;
    return query && query(GetCurrentProcess(), 60, buffer, sizeof buffer, &needed) >= 0;
}

// Security as the locked folder must have it: owned by Administrators, a protected access list.
bool LooksLocked(const std::wstring& folder) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    HANDLE handle = CreateFileW(
        folder.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const DWORD read =
        GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, nullptr, &dacl, nullptr, &descriptor);
    CloseHandle(handle);
    if (read != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    const bool locked =
        owner && IsWellKnownSid(owner, WinBuiltinAdministratorsSid) && dacl && (control & SE_DACL_PROTECTED);
    LocalFree(descriptor);
    return locked;
}

TEST_F(RegistrarProcess, ProbeOfTheBuiltLibraryCreatesItsObject) {
    const std::wstring library = BuiltShellLibrary();
    EXPECT_EQ(Run({L"probe", library, kClsid}), 0u);
    EXPECT_EQ(Log(), (Lines{"probe " + U8(library) + " ok"}));
    EXPECT_TRUE(Stamped());
}

TEST_F(RegistrarProcess, ProbeFailures) {
    const std::wstring missing = work_.File(L"missing.dll");
    EXPECT_EQ(Run({L"probe", missing, kClsid}), 3u);
    const std::wstring library = BuiltShellLibrary();
    EXPECT_EQ(Run({L"probe", library, L"{00000000-0000-0000-0000-000000000001}"}), 3u) << "another class";
    EXPECT_EQ(Run({L"probe", library, L"F5347F30-61EF-5F69-BC99-C6AC47C37593"}), 4u) << "no braces";
    EXPECT_EQ(Run({L"probe", library}), 4u) << "no class identifier";
    EXPECT_EQ(Log(), (Lines{"probe load fail " + U8(missing), "probe " + U8(library) + " fail"}))
        << "a bad class identifier writes no log line";
    EXPECT_TRUE(Stamped());
}

TEST_F(RegistrarProcess, BadCommandLinesExitWithFour) {
    const std::wstring sixFields =
        L"Jaskel.Menu.Test|CN=Jaskel|1.0.0.0|C:\\p.msix|C:\\app|Software\\JaskelTest\\X";
    for (const wchar_t* command : {L"register", L"ensure", L"unregister", L"prune"}) {
        EXPECT_EQ(Run({command, sixFields}), 4u) << Utf8FromWide(command) << " with six fields";
        EXPECT_EQ(Run({command, L"Jaskel.Menu.Test|CN=Jaskel||a|b|c|d"}), 4u) << "an empty version";
        EXPECT_EQ(Run({command}), 4u) << "no configuration";
    }
    EXPECT_EQ(Run({}), 4u);
    EXPECT_EQ(Run({L"Register", Cfg()}), 4u) << "commands are matched with case";
    EXPECT_EQ(Run({L"stoplock"}), 4u);
    EXPECT_EQ(Run({L"secure"}), 4u);
    EXPECT_TRUE(Log().empty());
}

TEST_F(RegistrarProcess, RegisterAndEnsureAreSkippedOnWindows10) {
    EXPECT_EQ(Run({L"register", Cfg()}), 2u);
    EXPECT_EQ(Run({L"ensure", Cfg()}), 2u);
    EXPECT_EQ(Log(), (Lines{"register skip Jaskel.Menu.Test (windows-10)"})) << "ensure logs nothing";
    EXPECT_TRUE(Stamped());
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\JaskelTest\\RegistrarProcess", 0, KEY_READ, &key),
              ERROR_SUCCESS)
        << "a skipped registration leaves no state record";
}

TEST_F(RegistrarProcess, PackageCommandsReportTheMissingPackageManager) {
    EXPECT_EQ(Run({L"unregister", Cfg()}), 3u);
    EXPECT_EQ(Run({L"prune", Cfg(), L"1.0.0.0"}), 3u);
    const Lines log = Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].rfind("unregister exception Jaskel.Menu.Test ", 0), 0u) << log[0];
    EXPECT_EQ(log[1], "prune: cannot list packages Jaskel.Menu.Test");
}

TEST_F(RegistrarProcess, StopLockWithoutAMatchEndsNothing) {
    EXPECT_EQ(Run({L"stoplock", L"no-surrogate-holds-this-8c1e"}), 0u);
    EXPECT_EQ(Log(), (Lines{"stoplock terminated=0"}));
    EXPECT_TRUE(Stamped());
}

// Wine 8 cannot read another process's command line (ProcessCommandLineInformation answers
// STATUS_INVALID_INFO_CLASS), so there a surrogate is left alone, as any whose line cannot be read.
TEST_F(RegistrarProcess, StopLockEndsOnlyTheSurrogateThatHoldsTheLibrary) {
    const std::wstring surrogate = work_.File(L"dllhost.exe");
    ASSERT_TRUE(CopyFileW(BuiltMenuTestHelper().c_str(), surrogate.c_str(), FALSE));
    ChildProcess holding, other;
    ASSERT_TRUE(holding.Start(surrogate, {L"/Processid:{AB12-jaskel-player-win11}", L"wait"}));
    ASSERT_TRUE(other.Start(surrogate, {L"/Processid:{something-else}", L"wait"}));
    Sleep(500);
    EXPECT_EQ(Run({L"stoplock", L"", L"JASKEL-PLAYER-WIN11"}), 0u);
    if (CommandLinesReadable()) {
        EXPECT_EQ(holding.WaitForExit(5000), 0u) << "ended with exit code 0";
        EXPECT_EQ(Log(), (Lines{"stoplock terminated=1"}));
    } else {
        EXPECT_TRUE(holding.Running());
        EXPECT_EQ(Log(), (Lines{"stoplock terminated=0"}));
    }
    EXPECT_TRUE(other.Running()) << "a surrogate without the pattern is left alone";
}

// Wine 8 keeps no security of its own on folders, so the lock itself cannot be read back here: the
// outcome is what the registrar reports, and on Windows the folders must also read back as locked.
TEST_F(RegistrarProcess, SecureCreatesALockedFolderAndLocksAnEmptyOne) {
    const std::wstring created = work_.File(L"created");
    EXPECT_EQ(Run({L"secure", created}), 0u);
    EXPECT_TRUE(LooksLocked(created) || RunningUnderWine());
    EXPECT_EQ(Run({L"secure", created}), 0u) << "a locked folder";
    const std::wstring empty = work_.File(L"empty");
    ASSERT_TRUE(CreateDirectoryW(empty.c_str(), nullptr));
    EXPECT_EQ(Run({L"secure", empty}), 0u);
    EXPECT_TRUE(LooksLocked(empty) || RunningUnderWine());
    EXPECT_EQ(Log(), (Lines{"secure created " + U8(created), "secure " + U8(created) + " ok",
                            "secure " + U8(empty) + " ok"}));
    EXPECT_TRUE(Stamped());
    RemoveDirectoryW(created.c_str());
    RemoveDirectoryW(empty.c_str());
}

TEST_F(RegistrarProcess, SecureRefusesAFolderWithFilesAndAJunction) {
    const std::wstring full = work_.File(L"full");
    ASSERT_TRUE(CreateDirectoryW(full.c_str(), nullptr));
    WriteTextFile(full + L"\\jaskel-player-win11.dll");
    EXPECT_EQ(Run({L"secure", full}), 3u);
    EXPECT_FALSE(LooksLocked(full)) << "a folder with contents is never changed";
    EXPECT_EQ(Log(), (Lines{"secure REFUSED (unlocked folder with contents) " + U8(full),
                            "secure " + U8(full) + " FAILED"}));
    RemoveTree(full);
}

TEST_F(RegistrarProcess, SecureRefusesAJunction) {
    const std::wstring target = work_.File(L"target");
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    const std::wstring junction = work_.File(L"junction");
    ASSERT_TRUE(MakeFolderLink(junction, target)) << "error " << GetLastError();
    EXPECT_EQ(Run({L"secure", junction}), 3u);
    EXPECT_FALSE(LooksLocked(target));
    EXPECT_EQ(Log(), (Lines{"secure REFUSED (not a plain folder) " + U8(junction),
                            "secure " + U8(junction) + " FAILED"}));
    RemoveDirectoryW(junction.c_str());
    RemoveDirectoryW(target.c_str());
}

} // namespace
