#include "shellext/explorer_command_win.h"

#include <shlwapi.h>

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "base/no_throw.h"
#include "base/path_text.h"
#include "base/wide_win.h"
#include "i18n/i18n_win.h"
#include "shellext/desktop_launch_win.h"
#include "shellext/install_location_win.h"
#include "shellext/selection.h"

namespace {

std::atomic<LONG> moduleObjects{0};

const CmdSpec kCommands[] = {
    {L"Jaskel Player로 재생", u"", 15},
};

constexpr const wchar_t* kLaunchFailedText =
    L"이 메뉴에서 열 수 없습니다.\nShift + 오른쪽 클릭 메뉴에서 다시 선택해 주세요.";

std::optional<std::u16string> FileSystemPath(IShellItem* item) {
    LPWSTR name = nullptr;
    if (item == nullptr || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) || name == nullptr)
        return std::nullopt;
    std::u16string path = U16(name);
    CoTaskMemFree(name);
    return path;
}

PathKind KindOf(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

std::u16string ExtensionOf(const std::u16string& path) {
    return U16(PathFindExtensionW(Wide(path)));
}

// The selection's paths when the entry applies to it (see EligiblePaths).
std::optional<std::vector<std::u16string>> ReadSelection(IShellItemArray* items) {
    DWORD count = 0;
    if (items == nullptr || FAILED(items->GetCount(&count)))
        return std::nullopt;
    std::vector<std::optional<std::u16string>> paths;
    for (DWORD i = 0; i < count; ++i) {
        IShellItem* item = nullptr;
        if (FAILED(items->GetItemAt(i, &item)) || item == nullptr)
            return std::nullopt;
        paths.push_back(FileSystemPath(item));
        item->Release();
    }
    return EligiblePaths(paths, SelectionFacts{KindOf, ExtensionOf});
}

HRESULT CopyText(const std::wstring& text, LPWSTR* out) {
    return SHStrDupW(text.c_str(), out);
}

void AppendLaunchesToLog(const std::wstring& log, const std::wstring& exe, const CmdSpec& spec,
                         const std::vector<std::u16string>& paths) {
    const std::u16string exeText = U16(exe.c_str(), exe.size());
    for (const auto& path : paths)
        AppendSpawnLog(log, SpawnLogLine(exeText, LaunchArguments(spec.argumentPrefix, path)));
}

// Each file gets a player process of its own; the player's hand-off merges them.
HRESULT LaunchEach(const std::wstring& exe, const CmdSpec& spec, const std::vector<std::u16string>& paths) {
    for (const auto& path : paths) {
        const std::u16string args = LaunchArguments(spec.argumentPrefix, path);
        const std::u16string dir = FolderPart(path);
        const HRESULT hr = SpawnViaDesktop(exe, Wide(args), Wide(dir));
        if (FAILED(hr)) {
            MessageBoxW(nullptr, I18nText(kLaunchFailedText), L"Jaskel Player",
                        MB_ICONWARNING | MB_SETFOREGROUND);
            return hr;
        }
    }
    return S_OK;
}

} // namespace

LONG ModuleObjectCount() {
    return moduleObjects.load();
}

namespace w11rt {

Factory::Factory() {
    ++moduleObjects;
}
Factory::~Factory() {
    --moduleObjects;
}

HRESULT Factory::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG Factory::AddRef() {
    return static_cast<ULONG>(++refs_);
}

ULONG Factory::Release() {
    const LONG left = --refs_;
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT Factory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    Cmd* cmd = new (std::nothrow) Cmd(0);
    if (cmd == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = cmd->QueryInterface(riid, out);
    cmd->Release();
    return hr;
}

HRESULT Factory::LockServer(BOOL lock) {
    if (lock)
        ++moduleObjects;
    else
        --moduleObjects;
    return S_OK;
}

Cmd::Cmd(std::int32_t index) : index_(index) {
    ++moduleObjects;
}
Cmd::~Cmd() {
    --moduleObjects;
}

HRESULT Cmd::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IExplorerCommand) {
        *out = static_cast<IExplorerCommand*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG Cmd::AddRef() {
    return static_cast<ULONG>(++refs_);
}

ULONG Cmd::Release() {
    const LONG left = --refs_;
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT Cmd::GetTitle(IShellItemArray*, LPWSTR* name) {
    return CallNoThrow<HRESULT>(E_FAIL, [&] { return CopyText(I18nText(kCommands[index_].title), name); });
}

HRESULT Cmd::GetIcon(IShellItemArray*, LPWSTR* icon) {
    return CallNoThrow<HRESULT>(E_FAIL, [&] {
        const std::wstring location = IconLocation();
        return location.empty() ? E_FAIL : CopyText(location, icon);
    });
}

HRESULT Cmd::GetToolTip(IShellItemArray*, LPWSTR* tip) {
    if (tip)
        *tip = nullptr;
    return E_NOTIMPL;
}

HRESULT Cmd::GetCanonicalName(GUID* name) {
    if (name == nullptr)
        return E_POINTER;
    *name = kPlayCommandClsid;
    return S_OK;
}

HRESULT Cmd::GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* state) {
    if (state == nullptr)
        return E_POINTER;
    *state = ECS_HIDDEN;
    *state = CallNoThrow<EXPCMDSTATE>(ECS_HIDDEN, [&] {
        if (PlayerExePath().empty() && DevEnv(L"JK_W11_SPAWNLOG").empty())
            return ECS_HIDDEN;
        const auto paths = ReadSelection(items);
        return paths && paths->size() <= kCommands[index_].maxCount ? ECS_ENABLED : ECS_HIDDEN;
    });
    return S_OK;
}

HRESULT Cmd::Invoke(IShellItemArray* items, IBindCtx*) {
    return CallNoThrow<HRESULT>(E_FAIL, [&] {
        const CmdSpec& spec = kCommands[index_];
        const auto paths = ReadSelection(items);
        if (!paths || paths->size() > spec.maxCount)
            return E_INVALIDARG;
        const std::wstring exe = PlayerExePath();
        const std::wstring log = DevEnv(L"JK_W11_SPAWNLOG");
        if (exe.empty() && log.empty())
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        if (!log.empty()) {
            AppendLaunchesToLog(log, exe, spec, *paths);
            return S_OK;
        }
        return LaunchEach(exe, spec, *paths);
    });
}

HRESULT Cmd::GetFlags(EXPCMDFLAGS* flags) {
    if (flags == nullptr)
        return E_POINTER;
    *flags = ECF_DEFAULT;
    return S_OK;
}

HRESULT Cmd::EnumSubCommands(IEnumExplorerCommand** commands) {
    if (commands)
        *commands = nullptr;
    return E_NOTIMPL;
}

} // namespace w11rt
