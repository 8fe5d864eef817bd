// The context-menu library as Explorer uses it: a copy of the built DLL is loaded, its class factory
// taken from DllGetClassObject, and the command asked through IExplorerCommand about real shell
// item arrays made from file paths.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "base/proc_address_win.h"
#include "base/wide_win.h"
#include "tests/wine/menu/menu_test_support_win.h"

using Microsoft::WRL::ComPtr;

namespace {

const CLSID kCommandClsid = {0xF5347F30, 0x61EF, 0x5F69, {0xBC, 0x99, 0xC6, 0xAC, 0x47, 0xC3, 0x75, 0x93}};
constexpr const wchar_t* kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\5e2a41d7-jaskel-player";

using GetClassObjectFn = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(__stdcall*)();

void WriteFile(const std::wstring& path, const char* text = "x") {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write " << Utf8FromWide(path.c_str());
    DWORD written = 0;
    ::WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(file);
}

// An environment variable of this process for one test.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableW(name_, nullptr); }

  private:
    const wchar_t* name_;
};

// The installer's uninstall value, removed again at the end.
class UninstallValue {
  public:
    UninstallValue() { Remove(); }
    explicit UninstallValue(const std::wstring& installLocation) {
        Remove();
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                        nullptr, &key, nullptr);
        RegSetValueExW(key, L"InstallLocation", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(installLocation.c_str()),
                       static_cast<DWORD>((installLocation.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    ~UninstallValue() { Remove(); }

  private:
    static void Remove() { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY, 0); }
};

// A copy of the built library in a folder of its own, optionally marked as a development tree.
class LibraryCopy {
  public:
    explicit LibraryCopy(bool devTree = false) {
        path_ = folder_.File(L"jaskel-player-win11.dll");
        CopyFileW(BuiltShellLibrary().c_str(), path_.c_str(), FALSE);
        if (devTree)
            WriteFile(folder_.File(L".jk-devtree"));
        module_ = LoadLibraryW(path_.c_str());
        if (module_) {
            getClassObject_ = ProcAddress<GetClassObjectFn>(module_, "DllGetClassObject");
            canUnloadNow_ = ProcAddress<CanUnloadNowFn>(module_, "DllCanUnloadNow");
        }
    }
    ~LibraryCopy() {
        if (module_)
            FreeLibrary(module_);
    }
    bool Loaded() const { return module_ && getClassObject_ && canUnloadNow_; }
    HMODULE Module() const { return module_; }
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** out) const {
        return getClassObject_(clsid, riid, out);
    }
    HRESULT CanUnloadNow() const { return canUnloadNow_(); }
    bool Unload() {
        const bool freed = FreeLibrary(module_) != FALSE;
        module_ = nullptr;
        return freed;
    }

    ComPtr<IExplorerCommand> Command() const {
        ComPtr<IClassFactory> factory;
        ComPtr<IExplorerCommand> command;
        if (SUCCEEDED(getClassObject_(kCommandClsid, IID_PPV_ARGS(&factory))))
            factory->CreateInstance(nullptr, IID_PPV_ARGS(&command));
        return command;
    }

  private:
    TempFolder folder_;
    std::wstring path_;
    HMODULE module_ = nullptr;
    GetClassObjectFn getClassObject_ = nullptr;
    CanUnloadNowFn canUnloadNow_ = nullptr;
};

// What Explorer hands the command: a shell item array of the selected files, in order.
ComPtr<IShellItemArray> ItemsOf(const std::vector<std::wstring>& paths) {
    std::vector<PIDLIST_ABSOLUTE> ids;
    for (const auto& path : paths)
        ids.push_back(ILCreateFromPathW(path.c_str()));
    ComPtr<IShellItemArray> items;
    bool complete = true;
    for (auto id : ids)
        complete &= id != nullptr;
    if (complete)
        SHCreateShellItemArrayFromIDLists(static_cast<UINT>(ids.size()),
                                          const_cast<PCIDLIST_ABSOLUTE_ARRAY>(ids.data()), &items);
    for (auto id : ids)
        ILFree(id);
    return items;
}

EXPCMDSTATE StateFor(IExplorerCommand* command, IShellItemArray* items) {
    EXPCMDSTATE state = ECS_DISABLED;
    EXPECT_EQ(command->GetState(items, TRUE, &state), S_OK);
    return state;
}

std::wstring TakeText(LPWSTR text) {
    std::wstring out = text ? text : L"";
    CoTaskMemFree(text);
    return out;
}

std::vector<std::wstring> MediaFiles(const TempFolder& folder, int count, const wchar_t* extension) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(folder.File((L"clip" + std::to_wstring(i) + extension).c_str()));
        WriteFile(paths.back());
    }
    return paths;
}

class ShellextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        SetEnvironmentVariableW(L"JK_LANG", L"en");
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"JK_LANG", nullptr);
        CoUninitialize();
    }
};

// An installed player: a folder with "Jaskel Player.exe" named by the uninstall value.
struct InstalledPlayer {
    TempFolder folder;
    std::wstring exe = folder.File(L"Jaskel Player.exe");
    UninstallValue value{folder.Path() + L"\\"};
    InstalledPlayer() { WriteFile(exe); }
};

TEST_F(ShellextTest, ExportsOnlyTheClassObjectAndUnloadQuery) {
    LibraryCopy library;
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(GetProcAddress(library.Module(), "DllRegisterServer"), nullptr);
    EXPECT_EQ(GetProcAddress(library.Module(), "DllUnregisterServer"), nullptr);
}

TEST_F(ShellextTest, ClassObjectOnlyForTheCommandClass) {
    LibraryCopy library;
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(library.GetClassObject(kCommandClsid, IID_IClassFactory, nullptr), E_POINTER);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(library.GetClassObject(IID_IUnknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(library.GetClassObject(kCommandClsid, IID_IUnknown, &unknown), S_OK);
    ComPtr<IExplorerCommand> notAFactory;
    EXPECT_EQ(library.GetClassObject(kCommandClsid, IID_PPV_ARGS(&notAFactory)), E_NOINTERFACE);
    EXPECT_EQ(notAFactory, nullptr);
}

TEST_F(ShellextTest, FactoryAndCommandAnswerOnlyTheirInterfaces) {
    LibraryCopy library;
    ASSERT_TRUE(library.Loaded());
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(library.GetClassObject(kCommandClsid, IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IUnknown> outer;
    factory.As(&outer);
    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_PPV_ARGS(&aggregated)), CLASS_E_NOAGGREGATION);
    ComPtr<IExplorerCommand> command;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&command)), S_OK);
    ComPtr<IClassFactory> wrong;
    EXPECT_EQ(command.As(&wrong), E_NOINTERFACE);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(command.As(&unknown), S_OK);
    ComPtr<IExplorerCommand> again;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&again)), S_OK);
    EXPECT_NE(again.Get(), command.Get()) << "each request makes a new command object";
}

TEST_F(ShellextTest, FixedAnswersOfTheCommand) {
    LibraryCopy library;
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    GUID name{};
    EXPECT_EQ(command->GetCanonicalName(&name), S_OK);
    EXPECT_TRUE(IsEqualGUID(name, kCommandClsid));
    EXPCMDFLAGS flags = 99;
    EXPECT_EQ(command->GetFlags(&flags), S_OK);
    EXPECT_EQ(flags, ECF_DEFAULT);
    LPWSTR tip = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(command->GetToolTip(nullptr, &tip), E_NOTIMPL);
    EXPECT_EQ(tip, nullptr);
    IEnumExplorerCommand* sub = reinterpret_cast<IEnumExplorerCommand*>(1);
    EXPECT_EQ(command->EnumSubCommands(&sub), E_NOTIMPL);
    EXPECT_EQ(sub, nullptr);
}

TEST_F(ShellextTest, EnglishTitle) {
    LibraryCopy library;
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    LPWSTR title = nullptr;
    ASSERT_EQ(command->GetTitle(nullptr, &title), S_OK);
    EXPECT_EQ(TakeText(title), L"Play with Jaskel Player");
}

TEST_F(ShellextTest, GermanTitleWithTheGermanInterfaceLanguage) {
    SetEnvironmentVariableW(L"JK_LANG", L"de");
    LibraryCopy library;
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    LPWSTR title = nullptr;
    ASSERT_EQ(command->GetTitle(nullptr, &title), S_OK);
    EXPECT_EQ(TakeText(title), L"Mit Jaskel Player abspielen");
}

TEST_F(ShellextTest, InstalledPlayerShowsTheEntryForOneCapitalMkvAndGivesItsIcon) {
    InstalledPlayer player;
    TempFolder media;
    const auto files = MediaFiles(media, 1, L".MKV");
    LibraryCopy library;
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    auto items = ItemsOf(files);
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(StateFor(command.Get(), items.Get()), ECS_ENABLED);
    LPWSTR icon = nullptr;
    ASSERT_EQ(command->GetIcon(items.Get(), &icon), S_OK);
    EXPECT_EQ(TakeText(icon), player.exe + L",0") << "the uninstall value's trailing backslash is dropped";
}

TEST_F(ShellextTest, FifteenVideoFilesShowTheEntryAndSixteenHideIt) {
    InstalledPlayer player;
    TempFolder media;
    auto files = MediaFiles(media, 16, L".mp4");
    LibraryCopy library;
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    auto sixteen = ItemsOf(files);
    files.pop_back();
    auto fifteen = ItemsOf(files);
    ASSERT_NE(fifteen, nullptr);
    ASSERT_NE(sixteen, nullptr);
    EXPECT_EQ(StateFor(command.Get(), fifteen.Get()), ECS_ENABLED);
    EXPECT_EQ(StateFor(command.Get(), sixteen.Get()), ECS_HIDDEN);
}

TEST_F(ShellextTest, FolderTextFileMissingFileAndNoSelectionHideTheEntry) {
    InstalledPlayer player;
    TempFolder media;
    const auto video = MediaFiles(media, 1, L".webm")[0];
    const std::wstring text = media.File(L"notes.txt");
    WriteFile(text);
    const std::wstring folder = media.File(L"folder.mp4");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring gone = media.File(L"gone.mp3");
    WriteFile(gone);
    LibraryCopy library;
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    auto withFolder = ItemsOf({video, folder});
    auto withText = ItemsOf({video, text});
    auto withMissing = ItemsOf({video, gone});
    ASSERT_NE(withFolder, nullptr);
    ASSERT_NE(withText, nullptr);
    ASSERT_NE(withMissing, nullptr);
    DeleteFileW(gone.c_str()); // deleted after the selection was made, as in a stale Explorer view
    EXPECT_EQ(StateFor(command.Get(), withFolder.Get()), ECS_HIDDEN);
    EXPECT_EQ(StateFor(command.Get(), withText.Get()), ECS_HIDDEN);
    EXPECT_EQ(StateFor(command.Get(), withMissing.Get()), ECS_HIDDEN);
    EXPECT_EQ(StateFor(command.Get(), nullptr), ECS_HIDDEN);
    EXPECT_EQ(command->Invoke(withText.Get(), nullptr), E_INVALIDARG);
    RemoveDirectoryW(folder.c_str());
}

TEST_F(ShellextTest, HiddenWhenThePlayerIsNotInstalled) {
    UninstallValue none;
    TempFolder media;
    const auto files = MediaFiles(media, 1, L".mp4");
    LibraryCopy library;
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    auto items = ItemsOf(files);
    EXPECT_EQ(StateFor(command.Get(), items.Get()), ECS_HIDDEN);
    EXPECT_EQ(command->Invoke(items.Get(), nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    LPWSTR icon = nullptr;
    EXPECT_EQ(command->GetIcon(items.Get(), &icon), E_FAIL);
}

TEST_F(ShellextTest, HiddenWhenTheInstallFolderHasNoPlayer) {
    TempFolder emptyInstall;
    UninstallValue value(emptyInstall.Path());
    TempFolder media;
    const auto files = MediaFiles(media, 1, L".mp4");
    LibraryCopy library;
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(StateFor(command.Get(), ItemsOf(files).Get()), ECS_HIDDEN);
}

TEST_F(ShellextTest, InvokeWritesOneSpawnLogLinePerFileInSelectionOrder) {
    UninstallValue none;
    TempFolder work;
    const std::wstring log = work.File(L"spawn.log");
    ScopedEnvironment spawnLog(L"JK_W11_SPAWNLOG", log);
    TempFolder media;
    const std::vector<std::wstring> files = {media.File(L"b.mp3"), media.File(L"a.mp3"),
                                             media.File(L"c.MP3")};
    for (const auto& f : files)
        WriteFile(f);
    LibraryCopy library(/*devTree=*/true);
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    auto items = ItemsOf(files);
    EXPECT_EQ(StateFor(command.Get(), items.Get()), ECS_ENABLED)
        << "a spawn log shows the entry without a player";
    ASSERT_EQ(command->Invoke(items.Get(), nullptr), S_OK);
    std::string expected;
    for (const auto& f : files)
        expected += "SPAWN\t\"\" \"" + Utf8FromWide(f.c_str()) + "\"\n";
    EXPECT_EQ(ReadWholeFile(log).value_or("<no log>"), expected);
}

TEST_F(ShellextTest, DevelopmentInstallFolderNamesThePlayerInTheSpawnLog) {
    UninstallValue none;
    TempFolder install;
    const std::wstring exe = install.File(L"Jaskel Player.exe");
    WriteFile(exe);
    ScopedEnvironment installDir(L"JK_W11_INSTALLDIR", install.Path());
    TempFolder work;
    const std::wstring log = work.File(L"spawn.log");
    ScopedEnvironment spawnLog(L"JK_W11_SPAWNLOG", log);
    TempFolder media;
    const auto files = MediaFiles(media, 1, L".MKV");
    LibraryCopy library(/*devTree=*/true);
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    ASSERT_EQ(command->Invoke(ItemsOf(files).Get(), nullptr), S_OK);
    EXPECT_EQ(ReadWholeFile(log).value_or("<no log>"),
              "SPAWN\t\"" + Utf8FromWide(exe.c_str()) + "\" \"" + Utf8FromWide(files[0].c_str()) + "\"\n");
}

TEST_F(ShellextTest, DevelopmentVariablesAreIgnoredOutsideADevelopmentTree) {
    UninstallValue none;
    TempFolder install;
    WriteFile(install.File(L"Jaskel Player.exe"));
    ScopedEnvironment installDir(L"JK_W11_INSTALLDIR", install.Path());
    TempFolder work;
    const std::wstring log = work.File(L"spawn.log");
    ScopedEnvironment spawnLog(L"JK_W11_SPAWNLOG", log);
    TempFolder media;
    const auto files = MediaFiles(media, 1, L".mp4");
    LibraryCopy library(/*devTree=*/false);
    auto command = library.Command();
    ASSERT_NE(command, nullptr);
    auto items = ItemsOf(files);
    EXPECT_EQ(StateFor(command.Get(), items.Get()), ECS_HIDDEN);
    EXPECT_EQ(command->Invoke(items.Get(), nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(ReadWholeFile(log).has_value());
}

TEST_F(ShellextTest, LibraryUnloadsCleanlyOnceNothingIsAlive) {
    LibraryCopy library;
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
    {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(library.GetClassObject(kCommandClsid, IID_PPV_ARGS(&factory)), S_OK);
        EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "a live factory";
        ComPtr<IExplorerCommand> command;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&command)), S_OK);
        factory->LockServer(TRUE);
        factory.Reset();
        EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "a live command and a server lock";
        command.Reset();
        EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "a server lock";
        ASSERT_EQ(library.GetClassObject(kCommandClsid, IID_PPV_ARGS(&factory)), S_OK);
        factory->LockServer(FALSE);
    }
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
    EXPECT_TRUE(library.Unload());
}

} // namespace
