// The real installer under Wine, as a person and the updater use it: a silent per-machine install
// into Program Files, the installed player playing, the context-menu library loaded from the
// install folder, an update with "/AUTO" over a running player, a failed probe that rolls back,
// and the uninstaller. The cases run in this order against one installation; the first installs,
// the last uninstalls, and the program leaves the machine as it found it.
#include <gtest/gtest.h>

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/proc_address_win.h"
#include "base/wide_win.h"
#include "tests/wine/menu/menu_test_support_win.h"
#include "tests/wine/test_support_win.h"
#include "update/installer_check_win.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr const wchar_t* kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\5e2a41d7-jaskel-player";
constexpr const wchar_t* kProductKey = L"Software\\Jaskel\\Player";
constexpr const wchar_t* kMenuKey = L"Software\\Jaskel\\Player\\Win11Menu";
constexpr const wchar_t* kUpdateKey = L"Software\\Jaskel\\player\\Update";
constexpr const wchar_t* kProgIdKey = L"Software\\Classes\\JaskelPlayer.Media";
constexpr const wchar_t* kApplicationKey = L"Software\\Classes\\Applications\\Jaskel Player.exe";
constexpr const wchar_t* kPlayerClass = L"JaskelMFPlayer";
constexpr const char* kPackageName = "Jaskel.Player.ContextMenu";
constexpr const wchar_t* kPackageVersion = L"0.6.8.0";
constexpr const wchar_t* kVersion = L"0.6.8";
constexpr const wchar_t* kOtherDefault = L"SomeOtherPlayer.mkv";
constexpr DWORD kInstallTimeoutMs = 180000;
constexpr DWORD kStartTimeoutMs = 30000;
const CLSID kCommandClsid = {0xF5347F30, 0x61EF, 0x5F69, {0xBC, 0x99, 0xC6, 0xAC, 0x47, 0xC3, 0x75, 0x93}};

// ---- places -------------------------------------------------------------------------------

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring out;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)))
        out = path;
    CoTaskMemFree(path);
    return out;
}

std::wstring InstallFolder() {
    return KnownFolder(FOLDERID_ProgramFilesX64) + L"\\Jaskel Player";
}
std::wstring InstalledPlayer() {
    return InstallFolder() + L"\\Jaskel Player.exe";
}
std::wstring MenuFolder() {
    return InstallFolder() + L"\\win11menu\\" + kPackageVersion;
}
std::wstring Shortcut() {
    return KnownFolder(FOLDERID_CommonPrograms) + L"\\Jaskel Player.lnk";
}

std::wstring BuildInstallerFolder() {
    return TestProgramFolder() + L"\\..\\..\\..\\installer";
}
std::wstring Installer() {
    return BuildInstallerFolder() + L"\\JaskelPlayer-0.6.8.exe";
}
std::wstring MislabelledInstaller() {
    return BuildInstallerFolder() + L"\\JaskelPlayer-9.9.9-mislabelled.exe";
}
std::wstring Staged(const wchar_t* name) {
    return BuildInstallerFolder() + L"\\stage\\" + name;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---- registry (the 64-bit view, where the installer writes) --------------------------------

std::optional<std::wstring> RegText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t buffer[4096];
    DWORD bytes = sizeof buffer;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, buffer,
                     &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(buffer);
}

std::optional<DWORD> RegNumber(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD value = 0;
    DWORD bytes = sizeof value;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD | RRF_SUBKEY_WOW6464KEY, nullptr, &value,
                     &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

void SetRegText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY opened = nullptr;
    RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &opened,
                    nullptr);
    RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
}

std::wstring Narrow(const std::string& text) {
    return WideFromUtf8(text.c_str());
}
std::string Utf8(const std::wstring& text) {
    return Utf8FromWide(text.c_str());
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::wstring::npos; start = at + 1)
        fields.push_back(text.substr(start, at - start));
    fields.push_back(text.substr(start));
    return fields;
}

// ---- processes and windows -----------------------------------------------------------------

std::optional<DWORD> RunInstaller(const std::wstring& exe, const std::vector<std::wstring>& args) {
    ChildProcess installer;
    if (!installer.Start(exe, args))
        return std::nullopt;
    return installer.WaitForExit(kInstallTimeoutMs);
}

std::optional<ULONGLONG> FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// What was seen of the program folder while an installer ran.
struct Observed {
    std::optional<DWORD> exitCode;
    bool markerSeen = false;
    bool markerWithNewProgram = false; // the marker still there while the new program was in place
};

// Runs an installer and looks at the program folder every few milliseconds until it ends.
Observed RunAndWatch(const std::wstring& exe, const std::vector<std::wstring>& args, ULONGLONG newSize) {
    Observed seen;
    ChildProcess installer;
    if (!installer.Start(exe, args))
        return seen;
    const std::wstring marker = InstallFolder() + L"\\.jk-installing";
    const ULONGLONG deadline = GetTickCount64() + kInstallTimeoutMs;
    while (!seen.exitCode && GetTickCount64() < deadline) {
        if (Exists(marker)) {
            seen.markerSeen = true;
            if (FileSize(InstalledPlayer()) == newSize)
                seen.markerWithNewProgram = true;
        }
        seen.exitCode = installer.WaitForExit(20);
    }
    return seen;
}

std::wstring ImageOf(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return {};
    wchar_t path[MAX_PATH * 2];
    DWORD size = ARRAYSIZE(path);
    const bool ok = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    return ok ? std::wstring(path, size) : std::wstring();
}

// The player window and the program file of its process, once one shows.
struct RunningPlayer {
    HWND window = nullptr;
    DWORD processId = 0;
    std::wstring image;
};

std::optional<RunningPlayer> WaitForPlayerWindow(DWORD timeoutMs) {
    RunningPlayer found;
    if (!WaitUntil([&] { return (found.window = FindWindowW(kPlayerClass, nullptr)) != nullptr; }, timeoutMs))
        return std::nullopt;
    GetWindowThreadProcessId(found.window, &found.processId);
    found.image = ImageOf(found.processId);
    return found;
}

// Closes every player window the way a person does, and waits for the processes to end.
bool CloseAllPlayers() {
    for (int round = 0; round < 8; ++round) {
        HWND window = FindWindowW(kPlayerClass, nullptr);
        if (!window)
            return true;
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (process) {
            WaitForSingleObject(process, 15000);
            CloseHandle(process);
        }
    }
    return FindWindowW(kPlayerClass, nullptr) == nullptr;
}

bool SameFileBytes(const std::wstring& a, const std::wstring& b) {
    const auto x = ReadWholeFile(a);
    const auto y = ReadWholeFile(b);
    return x && y && *x == *y;
}

// Makes the installed player stand for an earlier build: the same program with other bytes (an
// overlay after the image, which the loader ignores).
std::string MarkAsEarlierBuild(const char* mark) {
    HANDLE file =
        CreateFileW(InstalledPlayer().c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, mark, static_cast<DWORD>(strlen(mark)), &written, nullptr);
        CloseHandle(file);
    }
    return ReadWholeFile(InstalledPlayer()).value_or(std::string());
}

std::wstring TestMedia(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"JK_TEST_MEDIA", folder, ARRAYSIZE(folder)))
        ADD_FAILURE() << "JK_TEST_MEDIA is not set: run the tests through scripts/test.sh";
    return std::wstring(folder) + L"\\" + name;
}

std::vector<std::string> RegistrarMessages();

// ---- the machine before and after ----------------------------------------------------------

// Whatever an earlier, interrupted run left goes first, and at the end whatever this run left.
void RemoveInstallation() {
    CloseAllPlayers();
    const std::wstring uninstaller = InstallFolder() + L"\\uninstall.exe";
    if (Exists(uninstaller) && RunInstaller(uninstaller, {L"/S"}))
        WaitUntil([&] { return !Exists(uninstaller); }, kInstallTimeoutMs);
    RemoveTree(InstallFolder());
    DeleteFileW(Shortcut().c_str());
    for (const wchar_t* key : {kUninstallKey, kProgIdKey, kApplicationKey})
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, kMenuKey);
}

class Machine : public ::testing::Environment {
  public:
    void SetUp() override {
        // The registrar writes its log under LOCALAPPDATA: a folder of this run's own.
        SetEnvironmentVariableW(L"LOCALAPPDATA", localAppData_.Path().c_str());
        SetEnvironmentVariableW(L"JK_NOUPDATE", L"1");
        SetEnvironmentVariableW(L"JK_LANG", L"en");
        RemoveInstallation();
        // Another program already owns the default for one type; the installer must leave it so.
        mkvDefault_ = RegText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.mkv", L"");
        SetRegText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.mkv", L"", kOtherDefault);
    }
    void TearDown() override {
        RemoveInstallation();
        if (mkvDefault_)
            SetRegText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.mkv", L"", *mkvDefault_);
        else
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.mkv", nullptr);
        RemoveTree(localAppData_.Path());
    }
    static std::wstring LocalAppData() { return instance->localAppData_.Path(); }
    static Machine* instance;

  private:
    TempFolder localAppData_;
    std::optional<std::wstring> mkvDefault_;
};
Machine* Machine::instance = nullptr;

std::vector<std::string> RegistrarMessages() {
    const auto lines = LogLines(Machine::LocalAppData());
    EXPECT_TRUE(lines.empty() || AllStamped(lines));
    return Messages(lines);
}

// What one case learns for the next.
struct Shared {
    std::wstring installId;
};
Shared shared;

class InstallerTest : public ::testing::Test {
  protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override {
        EXPECT_TRUE(CloseAllPlayers()) << "a player window did not close";
        CoUninitialize();
    }
};

// ---- 1. install ----------------------------------------------------------------------------

TEST_F(InstallerTest, BuiltInstallerCarriesThePinnedPublishersSignature) {
    for (const std::wstring& file : {Installer(), MislabelledInstaller(), Staged(L"Jaskel Player.exe"),
                                     Staged(L"menu-registrar.exe"), Staged(L"jaskel-player-win11.dll")}) {
        HANDLE handle =
            CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << Utf8(file);
        EXPECT_EQ(VerifyInstallerSignature(U16(file.c_str()), handle), InstallerCheckResult::Accepted)
            << Utf8(file);
        CloseHandle(handle);
    }
}

TEST_F(InstallerTest, SilentInstallPutsFilesAndValuesInPlace) {
    ASSERT_FALSE(Exists(InstallFolder()));
    ASSERT_EQ(RunInstaller(Installer(), {L"/S"}), 0u);

    for (const wchar_t* name : {L"Jaskel Player.exe", L"menu-registrar.exe"})
        EXPECT_TRUE(SameFileBytes(InstallFolder() + L"\\" + name, Staged(name))) << Utf8(name);
    for (const wchar_t* name : {L"jaskel-player-win11.dll", L"jaskel-player-win11.msix"})
        EXPECT_TRUE(SameFileBytes(MenuFolder() + L"\\" + name, Staged(name))) << Utf8(name);
    EXPECT_TRUE(Exists(Shortcut()));
    {
        // The uninstaller is written by the installer, signed while the installer was built.
        const std::wstring uninstaller = InstallFolder() + L"\\uninstall.exe";
        HANDLE handle = CreateFileW(uninstaller.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(VerifyInstallerSignature(U16(uninstaller.c_str()), handle), InstallerCheckResult::Accepted);
        CloseHandle(handle);
    }
    for (const wchar_t* leftover : {L".jk-installing", L".jk-probe", L".jk-new", L".jk-old", L".jk-devtree"})
        EXPECT_FALSE(Exists(InstallFolder() + L"\\" + leftover)) << Utf8(leftover);
    EXPECT_FALSE(Exists(MenuFolder() + L"\\.jk-devtree"));

    const std::wstring folder = InstallFolder();
    const std::map<std::wstring, std::wstring> uninstallValues = {
        {L"DisplayName", L"Jaskel Player"},
        {L"DisplayVersion", kVersion},
        {L"Publisher", L"Elmsworth Labs Inc."},
        {L"InstallLocation", folder},
        {L"DisplayIcon", folder + L"\\Jaskel Player.exe,0"},
        {L"UninstallString", L"\"" + folder + L"\\uninstall.exe\""},
        {L"QuietUninstallString", L"\"" + folder + L"\\uninstall.exe\" /S"},
    };
    for (const auto& [name, value] : uninstallValues)
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, name.c_str()), value) << Utf8(name);
    EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, kUninstallKey, L"NoModify"), 1u);
    EXPECT_GT(RegNumber(HKEY_LOCAL_MACHINE, kUninstallKey, L"EstimatedSize").value_or(0), 4000u) << "KiB";

    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUpdateKey, L"LastResult"), L"ok");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUpdateKey, L"LastTarget"), kVersion);

    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kMenuKey, L"Ctl"), folder + L"\\menu-registrar.exe");
    const std::vector<std::wstring> cfg =
        Split(RegText(HKEY_LOCAL_MACHINE, kMenuKey, L"Cfg").value_or(L""), L'|');
    ASSERT_EQ(cfg.size(), 7u);
    EXPECT_EQ(cfg[0], Narrow(kPackageName));
    EXPECT_EQ(cfg[1], L"SERIALNUMBER=000000-0000000, O=Elmsworth Labs Inc., CN=Elmsworth Labs Inc.");
    EXPECT_EQ(cfg[2], kPackageVersion);
    EXPECT_EQ(cfg[3], MenuFolder() + L"\\jaskel-player-win11.msix");
    EXPECT_EQ(cfg[4], MenuFolder());
    EXPECT_EQ(cfg[5], std::wstring(kMenuKey) + L"\\State");
    EXPECT_EQ(cfg[6].size(), 38u) << "a braced GUID: " << Utf8(cfg[6]);
    shared.installId = cfg[6];

    // The registrar locked the library's folder before the library went in, and registration was
    // asked for: Wine reports Windows 10, so the registrar skips it.
    const auto messages = RegistrarMessages();
    const std::vector<std::string> expected = {
        "stoplock terminated=0",
        "secure created " + Utf8(MenuFolder()),
        std::string("register skip ") + kPackageName + " (windows-10)",
        std::string("prune: cannot list packages ") + kPackageName,
    };
    EXPECT_EQ(messages, expected);
}

TEST_F(InstallerTest, OpenWithOffersEveryTypeAndKeepsExistingDefaults) {
    const std::wstring command = L"\"" + InstalledPlayer() + L"\" \"%1\"";
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, std::wstring(kProgIdKey) + L"\\shell\\open\\command", L""),
              command);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, std::wstring(kApplicationKey) + L"\\shell\\open\\command", L""),
              command);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, L"Software\\RegisteredApplications", L"Jaskel Player"),
              L"Software\\Jaskel\\Player\\Capabilities");
    for (const wchar_t* type : {L".mp4", L".mkv", L".webm", L".m2ts", L".opus", L".wav", L".ts"}) {
        const std::wstring classes = std::wstring(L"Software\\Classes\\") + type;
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, classes + L"\\OpenWithProgids", L"JaskelPlayer.Media"), L"")
            << Utf8(type);
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, std::wstring(kApplicationKey) + L"\\SupportedTypes", type), L"")
            << Utf8(type);
        EXPECT_EQ(
            RegText(HKEY_LOCAL_MACHINE, L"Software\\Jaskel\\Player\\Capabilities\\FileAssociations", type),
            L"JaskelPlayer.Media")
            << Utf8(type);
    }
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.mkv", L""), kOtherDefault);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.txt\\OpenWithProgids", L"JaskelPlayer.Media"),
              std::nullopt);
}

// ---- 2. the installed program ----------------------------------------------------------------

TEST_F(InstallerTest, InstalledPlayerStartsAndPlays) {
    TempFolder diag;
    ChildProcess player;
    ASSERT_TRUE(
        player.Start(InstalledPlayer(), {TestMedia(L"h264_aac.mp4")}, {{L"JK_DIAG_DIR", diag.Path()}}));
    std::optional<JsonValue> state;
    const bool playing = WaitUntil(
        [&] {
            state = ReadStateJson(diag);
            return state && state->Number("positionSec").value_or(0) > 0.5 && state->Bool("paused") == false;
        },
        kStartTimeoutMs);
    EXPECT_TRUE(playing) << "the installed player did not play its clip";
    ASSERT_TRUE(state);
    EXPECT_EQ(state->Bool("hasVideo"), true);
    EXPECT_EQ(state->Bool("probeMode"), false);
    const auto window = WaitForPlayerWindow(1000);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->processId, player.Id());
    PostMessageW(window->window, WM_CLOSE, 0, 0);
    EXPECT_EQ(player.WaitForExit(kStartTimeoutMs), 0u);
}

// ---- 3. the context-menu library as Explorer loads it ----------------------------------------

ComPtr<IShellItemArray> ItemsOf(const std::wstring& path) {
    PIDLIST_ABSOLUTE id = ILCreateFromPathW(path.c_str());
    ComPtr<IShellItemArray> items;
    if (id) {
        SHCreateShellItemArrayFromIDLists(1, const_cast<PCIDLIST_ABSOLUTE_ARRAY>(&id), &items);
        ILFree(id);
    }
    return items;
}

TEST_F(InstallerTest, MenuLibraryInTheInstallFolderFindsThePlayerThroughTheUninstallEntry) {
    // A development override would point elsewhere; outside a development tree it has no effect.
    TempFolder elsewhere;
    SetEnvironmentVariableW(L"JK_W11_INSTALLDIR", elsewhere.Path().c_str());
    TempFolder files;
    const std::wstring video = files.File(L"clip.MKV");
    const std::wstring text = files.File(L"notes.txt");
    WriteTextFile(video);
    WriteTextFile(text);

    HMODULE library = LoadLibraryW((MenuFolder() + L"\\jaskel-player-win11.dll").c_str());
    ASSERT_NE(library, nullptr);
    using GetClassObjectFn = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    const auto getClassObject = ProcAddress<GetClassObjectFn>(library, "DllGetClassObject");
    ASSERT_NE(getClassObject, nullptr);
    {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(kCommandClsid, IID_PPV_ARGS(&factory)), S_OK);
        ComPtr<IExplorerCommand> command;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&command)), S_OK);
        const struct {
            std::wstring path;
            EXPCMDSTATE state;
        } cases[] = {{video, ECS_ENABLED}, {text, ECS_HIDDEN}};
        for (const auto& c : cases) {
            EXPCMDSTATE state = ECS_DISABLED;
            EXPECT_EQ(command->GetState(ItemsOf(c.path).Get(), TRUE, &state), S_OK);
            EXPECT_EQ(state, c.state) << Utf8(c.path);
        }
        LPWSTR icon = nullptr;
        ASSERT_EQ(command->GetIcon(ItemsOf(video).Get(), &icon), S_OK);
        EXPECT_EQ(std::wstring(icon), InstalledPlayer() + L",0");
        CoTaskMemFree(icon);
    }
    SetEnvironmentVariableW(L"JK_W11_INSTALLDIR", nullptr);
    // Released, so that the next case's installer can replace the file.
    EXPECT_TRUE(FreeLibrary(library));
}

// ---- 4. the update hand-off ------------------------------------------------------------------

TEST_F(InstallerTest, AutoOverRunningPlayerClosesItUpdatesAndStartsTheNewProgram) {
    MarkAsEarlierBuild("earlier build");
    ChildProcess earlier;
    ASSERT_TRUE(earlier.Start(InstalledPlayer(), {}));
    ASSERT_TRUE(WaitForPlayerWindow(kStartTimeoutMs)) << "the earlier player did not show its window";

    const Observed run =
        RunAndWatch(Installer(), {L"/AUTO"}, FileSize(Staged(L"Jaskel Player.exe")).value_or(0));
    ASSERT_EQ(run.exitCode, 0u);
    // The player refuses to start while the marker is there: it stays from before the files
    // change until after the new program's probe.
    EXPECT_TRUE(run.markerSeen);
    EXPECT_TRUE(run.markerWithNewProgram);

    EXPECT_EQ(earlier.WaitForExit(1000), 0u) << "the running player was closed, not ended by force";
    EXPECT_TRUE(SameFileBytes(InstalledPlayer(), Staged(L"Jaskel Player.exe")))
        << "the new program is in place";
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUpdateKey, L"LastResult"), L"ok");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUpdateKey, L"LastTarget"), kVersion);
    for (const wchar_t* leftover : {L".jk-installing", L".jk-probe", L".jk-new", L".jk-old"})
        EXPECT_FALSE(Exists(InstallFolder() + L"\\" + leftover)) << Utf8(leftover);
    const std::vector<std::wstring> cfg =
        Split(RegText(HKEY_LOCAL_MACHINE, kMenuKey, L"Cfg").value_or(L""), L'|');
    ASSERT_EQ(cfg.size(), 7u);
    EXPECT_NE(cfg[6], shared.installId)
        << "a new installation names itself anew, so that registration is retried";
    shared.installId = cfg[6];

    const auto restarted = WaitForPlayerWindow(kStartTimeoutMs);
    ASSERT_TRUE(restarted) << "the new program was not started again";
    EXPECT_NE(restarted->processId, earlier.Id());
    EXPECT_EQ(CompareStringOrdinal(restarted->image.c_str(), -1, InstalledPlayer().c_str(), -1, TRUE),
              CSTR_EQUAL)
        << Utf8(restarted->image);
}

TEST_F(InstallerTest, FailedProbeRestoresThePreviousProgramAndRecordsIt) {
    const std::string previous = MarkAsEarlierBuild("previous build");
    const auto cfgBefore = RegText(HKEY_LOCAL_MACHINE, kMenuKey, L"Cfg");
    ChildProcess earlier;
    ASSERT_TRUE(earlier.Start(InstalledPlayer(), {}));
    ASSERT_TRUE(WaitForPlayerWindow(kStartTimeoutMs));

    // Labelled 9.9.9, it carries the 0.6.8 program, which does not answer a probe for 9.9.9.
    const Observed run =
        RunAndWatch(MislabelledInstaller(), {L"/AUTO"}, FileSize(Staged(L"Jaskel Player.exe")).value_or(0));
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_TRUE(run.markerWithNewProgram) << "the new program was put in place and probed";

    EXPECT_EQ(earlier.WaitForExit(1000), 0u);
    EXPECT_EQ(ReadWholeFile(InstalledPlayer()), previous) << "the previous program is back";
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUpdateKey, L"LastResult"), L"reverted");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUpdateKey, L"LastTarget"), L"9.9.9");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion"), kVersion);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kMenuKey, L"Cfg"), cfgBefore);
    for (const wchar_t* leftover : {L".jk-installing", L".jk-probe", L".jk-new", L".jk-old"})
        EXPECT_FALSE(Exists(InstallFolder() + L"\\" + leftover)) << Utf8(leftover);
    const auto restarted = WaitForPlayerWindow(kStartTimeoutMs);
    ASSERT_TRUE(restarted) << "the previous program was not started again";
    EXPECT_EQ(CompareStringOrdinal(restarted->image.c_str(), -1, InstalledPlayer().c_str(), -1, TRUE),
              CSTR_EQUAL);
}

TEST_F(InstallerTest, FolderThatCannotTakeTheNewFilesKeepsTheOldOnesAndRecordsIt) {
    const std::string previous = MarkAsEarlierBuild("kept build");
    // A read-only file where the installer moves the old files aside.
    const std::wstring blocker = InstallFolder() + L"\\.jk-old";
    WriteTextFile(blocker);
    SetFileAttributesW(blocker.c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(RunInstaller(Installer(), {L"/S"}), 3u);

    EXPECT_EQ(ReadWholeFile(InstalledPlayer()), previous);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUpdateKey, L"LastResult"), L"stage-failed");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUpdateKey, L"LastTarget"), kVersion);
    for (const wchar_t* leftover : {L".jk-installing", L".jk-probe", L".jk-new"})
        EXPECT_FALSE(Exists(InstallFolder() + L"\\" + leftover)) << Utf8(leftover);
    EXPECT_EQ(FindWindowW(kPlayerClass, nullptr), nullptr) << "a silent install started nothing";
    SetFileAttributesW(blocker.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(blocker.c_str());
}

int PlayerWindowsOfOtherProcesses() {
    int count = 0;
    EnumWindows(
        [](HWND window, LPARAM counter) -> BOOL {
            wchar_t name[64] = {};
            DWORD id = 0;
            GetClassNameW(window, name, ARRAYSIZE(name));
            GetWindowThreadProcessId(window, &id);
            if (wcscmp(name, kPlayerClass) == 0 && id != GetCurrentProcessId())
                ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// A player window that does not close when asked, as a hung or busy player would.
LRESULT CALLBACK StubbornWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_CLOSE ? 0 : DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(InstallerTest, AutoGivesUpOnAPlayerThatDoesNotCloseAndChangesNothing) {
    const std::string previous = ReadWholeFile(InstalledPlayer()).value_or(std::string());
    WNDCLASSEXW wc{sizeof wc};
    wc.lpfnWndProc = StubbornWindow;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kPlayerClass;
    RegisterClassExW(&wc);
    HWND stubborn = CreateWindowExW(0, kPlayerClass, L"Jaskel Player", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                    nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(stubborn, nullptr);

    EXPECT_EQ(RunInstaller(Installer(), {L"/AUTO"}), 3u); // this thread answers while it waits

    EXPECT_TRUE(IsWindow(stubborn)) << "asked, never forced";
    EXPECT_EQ(ReadWholeFile(InstalledPlayer()), previous);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUpdateKey, L"LastResult"), L"not-closed");
    EXPECT_FALSE(Exists(InstallFolder() + L"\\.jk-installing"));
    PumpMessagesFor(500);
    EXPECT_EQ(PlayerWindowsOfOtherProcesses(), 0) << "no second player was started beside the one still open";
    DestroyWindow(stubborn);
    UnregisterClassW(kPlayerClass, wc.hInstance);
}

// ---- 5. uninstall ----------------------------------------------------------------------------

TEST_F(InstallerTest, UninstallRemovesFilesKeysAndThePackage) {
    const size_t logBefore = RegistrarMessages().size();
    // The uninstaller copies itself away and runs from there, as it does for a person.
    ASSERT_EQ(RunInstaller(InstallFolder() + L"\\uninstall.exe", {L"/S"}), 0u);
    EXPECT_TRUE(
        WaitUntil([] { return !Exists(InstallFolder()) && !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); },
                  kInstallTimeoutMs))
        << "the uninstaller did not finish";

    EXPECT_FALSE(Exists(InstallFolder()));
    EXPECT_FALSE(Exists(Shortcut()));
    for (const wchar_t* key : {kUninstallKey, kProductKey, kProgIdKey, kApplicationKey})
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << Utf8(key);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kMenuKey));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, L"Software\\RegisteredApplications", L"Jaskel Player"),
              std::nullopt);
    for (const wchar_t* type : {L".mp4", L".mkv", L".opus"})
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE,
                          std::wstring(L"Software\\Classes\\") + type + L"\\OpenWithProgids",
                          L"JaskelPlayer.Media"),
                  std::nullopt)
            << Utf8(type);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.mkv", L""), kOtherDefault);

    // Removal is asked for every person; Wine has no package manager, so the registrar says so,
    // and the folders it could not account for are removed by the uninstaller itself.
    const auto messages = RegistrarMessages();
    ASSERT_EQ(messages.size(), logBefore + 3);
    EXPECT_EQ(messages[logBefore].rfind(std::string("unregister exception ") + kPackageName + " ", 0), 0u)
        << messages[logBefore];
    EXPECT_EQ(messages[logBefore + 1], "stoplock terminated=0");
    EXPECT_EQ(messages[logBefore + 2], std::string("prune: cannot list packages ") + kPackageName);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    Machine::instance = new Machine;
    ::testing::AddGlobalTestEnvironment(Machine::instance);
    return RUN_ALL_TESTS();
}
