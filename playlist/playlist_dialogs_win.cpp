#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include "base/wide_win.h"
#include "i18n/i18n_win.h"
#include "playlist/media_types.h"
#include "playlist/open_dialog_result.h"
#include "playlist/path_rules.h"
#include "playlist/playlist_win.h"

namespace {

constexpr size_t kOpenDialogUnits = 65536;

// "Video/Audio" with every media type, then "All files"; built once and kept.
const std::wstring& OpenFileFilter() {
    static const std::wstring filter = [] {
        std::wstring patterns;
        for (const auto& extension : kMediaExtensions) {
            if (!patterns.empty())
                patterns += L';';
            patterns += L'*' + std::wstring(extension.begin(), extension.end());
        }
        std::wstring text = I18nText(L"동영상/오디오");
        text += L'\0' + patterns + L'\0';
        text += I18nText(L"모든 파일");
        text += std::wstring(L"\0*.*\0", 5);
        return text;
    }();
    return filter;
}

} // namespace

void ShowOpenFileDialog() {
    std::wstring buffer(kOpenDialogUnits, L'\0');
    OPENFILENAMEW dialog{sizeof dialog};
    dialog.hwndOwner = playlistEvents.owner;
    dialog.lpstrFilter = OpenFileFilter().c_str();
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameW(&dialog))
        return;
    OpenPathsFromUser(OpenDialogPaths(std::u16string_view(reinterpret_cast<const char16_t*>(buffer.data()), buffer.size())));
}

void ShowAddFolderDialog() {
    const std::wstring title = I18nText(L"동영상 폴더 선택");
    BROWSEINFOW browse{};
    browse.hwndOwner = playlistEvents.owner;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (chosen == nullptr)
        return;
    wchar_t folder[MAX_PATH] = L"";
    const bool named = SHGetPathFromIDListW(chosen, folder) != FALSE;
    CoTaskMemFree(chosen);
    if (named)
        AddFolder(WindowsPlaylistHost(), U16(folder));
}
