#include <windows.h>
#include <commdlg.h>

#include <iterator>
#include <optional>
#include <string>

#include "base/wide_win.h"
#include "engine/engine_win.h"
#include "i18n/i18n_win.h"
#include "playlist/m3u.h"
#include "playlist/path_rules.h"
#include "playlist/playlist_state.h"
#include "playlist/playlist_win.h"
#include "diag/ui_text_win.h"

int (*showPlaylistMessage)(HWND owner, const std::u16string& text, const std::u16string& caption,
                           UINT style) = ShowUiMessageBox;

namespace {

constexpr size_t kPlaylistDialogUnits = 16384;
// The longest path the file functions take in the extended form.
constexpr size_t kSaveDialogUnits = 32768;
constexpr wchar_t kDefaultPlaylistName[] = L"playlist.m3u";
// What the user set on a playlist that its new text keeps; read-only ones are not replaced.
constexpr DWORD kCarriedAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

void ShowPlaylistMessage(const wchar_t* text, UINT icon) {
    showPlaylistMessage(playlistEvents.owner, U16(I18nText(text)), U16(I18nText(L"Jaskel Player")), icon);
}

struct PlaylistBytes {
    std::optional<std::string> bytes;
    bool tooLarge = false;
};

std::optional<std::string> ReadAll(HANDLE file, size_t size) {
    std::string buffer(size, '\0');
    DWORD got = 0;
    if (!buffer.empty() &&
        !(ReadFile(file, buffer.data(), static_cast<DWORD>(size), &got, nullptr) && got == size))
        return std::nullopt;
    return buffer;
}

PlaylistBytes ReadSmallFile(const std::u16string& path) {
    HANDLE file = CreateFileW(Wide(ExtendedLengthPath(path)), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    PlaylistBytes read;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart >= 0) {
        read.tooLarge = static_cast<unsigned long long>(size.QuadPart) > kMaxPlaylistFileBytes;
        if (!read.tooLarge)
            read.bytes = ReadAll(file, static_cast<size_t>(size.QuadPart));
    }
    CloseHandle(file);
    return read;
}

bool WriteAllAndFlush(const std::u16string& path, const std::string& text) {
    HANDLE file =
        CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size() && FlushFileBuffers(file);
    CloseHandle(file);
    return ok;
}

bool Exists(const std::u16string& path) {
    return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

// A file left by a save that never finished goes, whatever attributes it was given.
void RemoveLeftover(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    SetFileAttributesW(Wide(path), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(Wide(path));
}

// The files of one save: the playlist, the new text beside it, and the old text's place while
// the new one takes over.
struct SaveFiles {
    std::u16string target, temporary, backup;
};

// Replacing keeps the old file's attributes, security and creation time. The old text moves to
// the backup name and is deleted only once the new one is in place, so a failure can put it back.
bool ReplaceOld(const SaveFiles& files, DWORD oldAttributes) {
    // Given to the new text beforehand too: not every system's replace carries them over.
    const DWORD carried = oldAttributes & kCarriedAttributes;
    if (carried)
        SetFileAttributesW(Wide(files.temporary), GetFileAttributesW(Wide(files.temporary)) | carried);
    if (ReplaceFileW(Wide(files.target), Wide(files.temporary), Wide(files.backup),
                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) {
        RemoveLeftover(files.backup);
        return true;
    }
    if (!Exists(files.target))
        MoveFileExW(Wide(files.backup), Wide(files.target), MOVEFILE_WRITE_THROUGH);
    return false;
}

bool MoveNew(const SaveFiles& files) {
    return MoveFileExW(Wide(files.temporary), Wide(files.target), MOVEFILE_WRITE_THROUGH) != FALSE;
}

} // namespace

bool AddPlaylistFile(const std::u16string& path) {
    const PlaylistBytes read = ReadSmallFile(path);
    if (read.tooLarge)
        ShowPlaylistMessage(L"이 재생 목록 파일은 너무 커서 열 수 없습니다.", MB_ICONWARNING);
    if (!read.bytes)
        return false;
    std::optional<int> first;
    for (const auto& entry : ReadM3uEntries(*read.bytes, path)) {
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
    const std::u16string target = ExtendedLengthPath(path);
    const SaveFiles files{target, target + u".jk-saving", target + u".jk-old"};
    const DWORD attributes = GetFileAttributesW(Wide(target));
    const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
    // A read-only playlist is left as it is, as editors leave such files.
    if (replacing && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    RemoveLeftover(files.temporary);
    RemoveLeftover(files.backup);
    if (WriteAllAndFlush(files.temporary, BuildM3u(playlist)) &&
        (replacing ? ReplaceOld(files, attributes) : MoveNew(files)))
        return true;
    RemoveLeftover(files.temporary);
    // The old text stays under the backup name only when it could not go back in place.
    if (Exists(target))
        RemoveLeftover(files.backup);
    return false;
}

void SavePlaylistAs(const std::u16string& path) {
    if (!WriteM3u(path))
        ShowPlaylistMessage(L"재생 목록을 저장하지 못했습니다.", MB_ICONWARNING);
}

void SavePlaylistFile() {
    if (playlist.empty()) {
        ShowPlaylistMessage(L"저장할 항목이 없습니다.", MB_ICONINFORMATION);
        return;
    }
    std::wstring buffer(kSaveDialogUnits, L'\0');
    buffer.replace(0, std::size(kDefaultPlaylistName) - 1, kDefaultPlaylistName);
    std::wstring filter = I18nText(L"재생 목록");
    filter += std::wstring(L"\0*.m3u\0", 8);
    OPENFILENAMEW dialog{sizeof dialog};
    dialog.hwndOwner = playlistEvents.owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrDefExt = L"m3u";
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT;
    if (GetSaveFileNameW(&dialog))
        SavePlaylistAs(U16(buffer.c_str()));
}
