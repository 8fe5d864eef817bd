#include <windows.h>
#include <commdlg.h>

#include "base/wide_win.h"
#include "engine/engine_win.h"
#include "i18n/i18n_win.h"
#include "playlist/m3u.h"
#include "playlist/playlist_state.h"
#include "playlist/playlist_win.h"
#include "diag/ui_text_win.h"

namespace {

constexpr size_t kPlaylistDialogUnits = 16384;

std::optional<std::string> ReadSmallFile(const std::u16string& path) {
    HANDLE file = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    LARGE_INTEGER size{};
    std::optional<std::string> bytes;
    if (GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
        static_cast<unsigned long long>(size.QuadPart) <= kMaxPlaylistFileBytes) {
        std::string buffer(static_cast<size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        if (buffer.empty() || (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
                               got == buffer.size()))
            bytes = std::move(buffer);
    }
    CloseHandle(file);
    return bytes;
}

bool WriteAllAndFlush(const std::u16string& path, const std::string& text) {
    HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size() && FlushFileBuffers(file);
    CloseHandle(file);
    return ok;
}

} // namespace

bool AddPlaylistFile(const std::u16string& path) {
    const auto bytes = ReadSmallFile(path);
    if (!bytes)
        return false;
    std::optional<int> first;
    for (const auto& entry : ReadM3uEntries(*bytes, path)) {
        const int index = AddItem(entry);
        if (!first)
            first = index;
    }
    if (playlistEvents.repaintAll)
        playlistEvents.repaintAll();
    if (currentIndex == -1 && first)
        OpenItem(*first);
    return true;
}

void OpenPlaylistFile() {
    std::wstring buffer(kPlaylistDialogUnits, L'\0');
    std::wstring filter = I18nText(L"재생 목록");
    filter += std::wstring(L"\0*.m3u;*.m3u8\0", 14);
    filter += I18nText(L"모든 파일");
    filter += std::wstring(L"\0*.*\0", 5);
    OPENFILENAMEW dialog{sizeof dialog};
    dialog.hwndOwner = playlistEvents.owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (GetOpenFileNameW(&dialog))
        AddPlaylistFile(U16(buffer.c_str()));
}

// The new text goes beside the old file first; the old one is replaced only once the whole
// text is on disk, so a failed save never destroys a playlist the user already has.
bool WriteM3u(const std::u16string& path) {
    // A read-only playlist is not replaced: the system refuses to overwrite it, and the
    // rename below must not get around that.
    const DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    const std::u16string temporary = path + u".jk-saving";
    if (!WriteAllAndFlush(temporary, BuildM3u(playlist))) {
        DeleteFileW(Wide(temporary));
        return false;
    }
    if (!MoveFileExW(Wide(temporary), Wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(Wide(temporary));
        return false;
    }
    return true;
}

void SavePlaylistFile() {
    if (playlist.empty()) {
        ShowUiMessageBox(playlistEvents.owner, U16(I18nText(L"저장할 항목이 없습니다.")), U16(I18nText(L"Jaskel Player")),
                         MB_ICONINFORMATION);
        return;
    }
    wchar_t file[MAX_PATH] = L"playlist.m3u";
    std::wstring filter = I18nText(L"재생 목록");
    filter += std::wstring(L"\0*.m3u\0", 8);
    OPENFILENAMEW dialog{sizeof dialog};
    dialog.hwndOwner = playlistEvents.owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"m3u";
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT;
    if (GetSaveFileNameW(&dialog))
        WriteM3u(U16(file));
}
