#include "update/upd_log_win.h"

#include <windows.h>

#include <mutex>

#include "base/wide_win.h"
#include "update/upd_log.h"

namespace {

constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL;

struct LogState {
    std::mutex lock; // the updater and download threads both log
    std::string app = "player";
};

LogState& Log() {
    static LogState state;
    return state;
}

} // namespace

std::u16string UpdTempFolder() {
    wchar_t buffer[MAX_PATH + 2];
    const DWORD n = GetTempPathW(ARRAYSIZE(buffer), buffer);
    if (n == 0 || n >= ARRAYSIZE(buffer))
        return {};
    std::u16string folder = U16(buffer, n);
    while (!folder.empty() && folder.back() == u'\\')
        folder.pop_back();
    return folder;
}

std::int64_t UpdUnixNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::int64_t ticks = (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - kUnixEpochIn100ns) / 10000000;
}

void SetUpdLogApp(std::string_view app) {
    std::lock_guard guard(Log().lock);
    Log().app.assign(app);
}

void UpdLog(std::string_view word, std::string_view detail) {
    std::lock_guard guard(Log().lock);
    const std::string line = FormatUpdLogLine(UpdUnixNow(), Log().app, word, detail);
    const std::u16string path = UpdTempFolder() + u"\\" + std::u16string(kUpdLogFileName);
    HANDLE file = CreateFileW(Wide(path), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}
