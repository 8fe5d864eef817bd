#include "update/installing_guard_win.h"

#include <windows.h>

#include <optional>

#include "base/program_folder_win.h"
#include "base/wide_win.h"
#include "i18n/i18n_win.h"
#include "diag/ui_text_win.h"
#include "update/installing_guard.h"
#include "update/probe.h"

namespace {

std::int64_t FileTimeTicks(const FILETIME& t) {
    return (static_cast<std::int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

std::optional<std::int64_t> MarkerAgeSeconds() {
    WIN32_FILE_ATTRIBUTE_DATA data;
    const std::u16string marker = ProgramFolder() + u"\\.jk-installing";
    if (!GetFileAttributesExW(Wide(marker), GetFileExInfoStandard, &data))
        return std::nullopt;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (FileTimeTicks(now) - FileTimeTicks(data.ftLastWriteTime)) / 10000000;
}

} // namespace

bool InstallingGuard(const std::vector<std::u16string>& args, const wchar_t* title) {
    if (!InstallationInProgress(IsProbeMode(args), MarkerAgeSeconds()))
        return false;
    ShowUiMessageBox(nullptr,
                     U16(I18nText(L"새 버전을 설치하고 있습니다. 설치가 끝나면 프로그램이 자동으로 다시 열립니다.")),
                     U16(title), MB_TOPMOST | MB_ICONINFORMATION);
    return true;
}
