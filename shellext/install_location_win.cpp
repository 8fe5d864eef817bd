#include "shellext/install_location_win.h"

#include <vector>

#include "base/path_text.h"
#include "base/wide_win.h"

namespace {

HMODULE shellextModule = nullptr;

constexpr DWORD kModulePathUnits = 32768;
constexpr DWORD kDevEnvUnits = 2048;
constexpr DWORD kInstallLocationBytes = 1040;
constexpr const wchar_t* kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\5e2a41d7-jaskel-player";

bool IsPlainFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring ModuleFolder() {
    std::vector<wchar_t> path(kModulePathUnits);
    const DWORD n = GetModuleFileNameW(shellextModule, path.data(), kModulePathUnits);
    if (n == 0 || n >= kModulePathUnits)
        return {};
    const std::u16string folder = FolderPart(U16(path.data(), n));
    return std::wstring(Wide(folder));
}

std::wstring InstallLocationFromView(DWORD viewFlag) {
    wchar_t buffer[kInstallLocationBytes / sizeof(wchar_t)] = {};
    DWORD bytes = sizeof buffer;
    const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation",
                                        RRF_RT_REG_SZ | viewFlag, nullptr, buffer, &bytes);
    return status == ERROR_SUCCESS ? std::wstring(buffer) : std::wstring();
}

std::wstring TrimmedFolder(const std::wstring& path) {
    const std::u16string trimmed = WithoutTrailingSeparators(U16(path.c_str(), path.size()));
    return std::wstring(Wide(trimmed));
}

} // namespace

void SetShellextModule(HMODULE module) {
    shellextModule = module;
}

bool InDevTree() {
    const std::wstring folder = ModuleFolder();
    return !folder.empty() && IsPlainFile(folder + L"\\.jk-devtree");
}

std::wstring DevEnv(const wchar_t* name) {
    if (!InDevTree())
        return {};
    wchar_t buffer[kDevEnvUnits];
    const DWORD n = GetEnvironmentVariableW(name, buffer, kDevEnvUnits);
    if (n == 0 || n >= kDevEnvUnits)
        return {};
    return std::wstring(buffer, n);
}

std::wstring InstallDir() {
    const std::wstring development = DevEnv(L"JK_W11_INSTALLDIR");
    if (!development.empty())
        return development;
    std::wstring location = InstallLocationFromView(RRF_SUBKEY_WOW6464KEY);
    if (location.empty())
        location = InstallLocationFromView(RRF_SUBKEY_WOW6432KEY);
    return TrimmedFolder(location);
}

std::wstring PlayerExePath() {
    const std::wstring folder = InstallDir();
    if (folder.empty())
        return {};
    const std::wstring exe = folder + L"\\Jaskel Player.exe";
    return IsPlainFile(exe) ? exe : std::wstring();
}

std::wstring IconLocation() {
    const std::wstring exe = PlayerExePath();
    return exe.empty() ? std::wstring() : exe + L",0";
}
