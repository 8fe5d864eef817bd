#include "playlist/playlist_win.h"

#include <commdlg.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/playback_controls_win.h"
#include "engine/session/session_engine_win.h"
#include "i18n/i18n_win.h"
#include "playlist/m3u.h"
#include "playlist/media_types.h"
#include "playlist/playlist_state.h"

PlaylistEvents playlistEvents;

namespace {

void RepaintAllWindows() {
    if (playlistEvents.repaintAll)
        playlistEvents.repaintAll();
}

FileAttributes ReadAttributes(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};
    return {true, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

std::optional<std::vector<FolderEntry>> ListFolder(const std::u16string& pattern) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(pattern), &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<FolderEntry> entries;
    do {
        entries.push_back({U16(found.cFileName), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

// The file system's own case rule: an ordinal comparison that folds every letter it upper-cases.
bool SameFilePath(const std::u16string& a, const std::u16string& b) {
    return CompareStringOrdinal(Wide(a), static_cast<int>(a.size()), Wide(b), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

void HoldAtEnd() {
    engine.paused = true;
    RepaintAllWindows();
}

void RestartCurrentFromZero() { SeekTo(0); }

} // namespace

PlaylistHost WindowsPlaylistHost() {
    PlaylistHost host;
    host.attributes = ReadAttributes;
    host.listFolder = ListFolder;
    host.compareNatural = [](const std::u16string& a, const std::u16string& b) {
        return StrCmpLogicalW(Wide(a), Wide(b));
    };
    host.samePath = SameFilePath;
    host.openItem = OpenItem;
    host.repaintAll = RepaintAllWindows;
    host.restartCurrent = RestartCurrentFromZero;
    host.holdAtEnd = HoldAtEnd;
    return host;
}

void OpenItem(int index) {
    if (!EngineCanOpen() || index < 0 || index >= static_cast<int>(playlist.size()))
        return;
    currentIndex = index;
    OpenMedia(playlist[static_cast<size_t>(index)]);
}

void OpenPathsFromUser(const std::vector<std::u16string>& paths) {
    OpenPaths(WindowsPlaylistHost(), paths);
}

void DropFiles(HDROP drop) {
    std::vector<std::u16string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0)
            continue;
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, i, path.data(), length + 1);
        paths.push_back(U16(path.c_str(), length));
    }
    DragFinish(drop);
    OpenPathsFromUser(paths);
    if (playlistEvents.owner)
        SetForegroundWindow(playlistEvents.owner);
}

bool AdvanceAtEndNow(RepeatMode repeat) {
    bool held = false;
    PlaylistHost host = WindowsPlaylistHost();
    host.holdAtEnd = [&held] {
        HoldAtEnd();
        held = true;
    };
    AdvanceAtEnd(host, repeat, engine.engineKind == EngineKind::Session);
    return held;
}

void ClearPlaylist() {
    ClearPlaylistItems();
    engine.hasVideo = false;
    if (playlistEvents.layoutChildren)
        playlistEvents.layoutChildren();
    if (playlistEvents.listCleared)
        playlistEvents.listCleared();
}
