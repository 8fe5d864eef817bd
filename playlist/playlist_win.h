#pragma once
// The playlist's Windows side: the real file system, natural order, dialogs and drops.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "playlist/playlist_model.h"

// What the playlist needs from the window layer above it, filled in once at start-up.
struct PlaylistEvents {
    HWND owner = nullptr; // owner of the dialogs and message boxes; brought forward after a drop
    std::function<void()> repaintAll;
    std::function<void()> layoutChildren;
    std::function<void()> listCleared; // the window returns to its size and the panel to its top
};

extern PlaylistEvents playlistEvents;

PlaylistHost WindowsPlaylistHost();

// Makes item index current and hands its path to the engine; nothing happens for an index
// outside the list or when the engine has nothing to open with.
void OpenItem(int index);

// The intake for command-line paths, hand-offs, drops and the Open dialog.
void OpenPathsFromUser(const std::vector<std::u16string>& paths);
void DropFiles(HDROP drop);
void ShowOpenFileDialog();
void ShowAddFolderDialog();
void ClearPlaylist();

// The end of the current media; true when the end of the list was reached (playback holds).
bool AdvanceAtEndNow(RepeatMode repeat);

// M3U: the commands, and the file operations under them.
void OpenPlaylistFile();
void SavePlaylistFile();
// The Save command after its dialog: writes the playlist and tells the user when that failed.
void SavePlaylistAs(const std::u16string& path);
// True only when the whole text is written and in place; the old file stays as it was otherwise.
bool WriteM3u(const std::u16string& path);
// Adds a playlist file's entries; false when the file cannot be read or is too large (the user
// is told about a file above the size limit).
bool AddPlaylistFile(const std::u16string& path);

// The message boxes of the playlist commands; ShowUiMessageBox, unless a test looks at the text
// in its place.
extern int (*showPlaylistMessage)(HWND owner, const std::u16string& text, const std::u16string& caption,
                                  UINT style);
