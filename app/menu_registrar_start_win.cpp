#include "app/menu_registrar_start_win.h"

#include <windows.h>

#include <vector>

#include "base/program_folder_win.h"
#include "base/wide_win.h"

namespace {

constexpr DWORD kValueBytes = 8192;

bool IsPlainFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A REG_SZ value of the 64-bit view, empty when missing, of another type or too long.
std::wstring ReadInstallerValue(const std::wstring& subkey, const wchar_t* name) {
    std::vector<wchar_t> buffer(kValueBytes / sizeof(wchar_t), L'\0');
    DWORD bytes = kValueBytes;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, subkey.c_str(), name, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr,
                     buffer.data(), &bytes) != ERROR_SUCCESS)
        return {};
    return std::wstring(buffer.data());
}

} // namespace

void StartMenuRegistrar(const std::wstring& subkey) {
    const std::u16string folder = ProgramFolder();
    if (IsPlainFile(std::wstring(Wide(folder)) + L"\\.jk-devtree"))
        return; // a development tree registers nothing
    const std::wstring ctl = ReadInstallerValue(subkey, L"Ctl");
    const std::wstring cfg = ReadInstallerValue(subkey, L"Cfg");
    if (ctl.empty() || cfg.empty() || !IsPlainFile(ctl))
        return;
    // Quoted so that the configuration stays one argument whatever it holds but double quotes.
    std::wstring commandLine = L"\"" + ctl + L"\" ensure \"" + cfg + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(ctl.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}
