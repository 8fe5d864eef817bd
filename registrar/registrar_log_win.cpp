#include "registrar/registrar_log_win.h"

#include <windows.h>

#include "base/wide_win.h"
#include "registrar/registrar_rules.h"

namespace {

constexpr DWORD kLocalAppDataUnits = 520;

// The log file's path, creating its folder; empty without LOCALAPPDATA, which silences the log.
std::wstring LogPath() {
    wchar_t base[kLocalAppDataUnits];
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", base, kLocalAppDataUnits);
    if (n == 0 || n >= kLocalAppDataUnits)
        return {};
    const std::wstring folder = std::wstring(base, n) + L"\\Jaskel";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\win11menu.log";
}

} // namespace

void LogLine(const std::u16string& message) {
    const std::wstring path = LogPath();
    if (path.empty())
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string line = FormatLogLine(
        LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}, message);
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}
