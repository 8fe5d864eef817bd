#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include "base/wide_win.h"
#include "i18n/i18n_win.h"
#include "playlist/media_types.h"
#include "playlist/path_rules.h"
#include "playlist/playlist_win.h"
#include "ui/main_window_win.h"

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

// The dialog's result: one path, or a folder followed by names.
std::vector<std::u16string> SelectedPaths(const std::wstring& buffer) {
    std::vector<std::u16string> parts;
    for (size_t at = 0; at < buffer.size() && buffer[at] != L'\0';) {
        const size_t end = buffer.find(L'\0', at);
        parts.push_back(U16(buffer.c_str() + at, end - at));
        at = end + 1;
    }
    if (parts.size() <= 1)
        return parts;
    std::vector<std::u16string> paths;
    for (size_t i = 1; i < parts.size(); ++i)
        paths.push_back(JoinFolderAndName(parts[0], parts[i]));
    return paths;
}

} // namespace

void ShowOpenFileDialog() {
    std::wstring buffer(kOpenDialogUnits, L'\0');
    OPENFILENAMEW dialog{sizeof dialog};
    dialog.hwndOwner = ui.main;
    dialog.lpstrFilter = OpenFileFilter().c_str();
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameW(&dialog))
        return;
    OpenPathsFromUser(SelectedPaths(buffer));
}

void ShowAddFolderDialog() {
    const std::wstring title = I18nText(L"동영상 폴더 선택");
    BROWSEINFOW browse{};
    browse.hwndOwner = ui.main;
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
