#pragma once
// The playlist's Windows side: the real file system, natural order, dialogs and drops.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "playlist/playlist_model.h"

PlaylistHost WindowsPlaylistHost();

// The intake for command-line paths, hand-offs, drops and the Open dialog.
void OpenPathsFromUser(const std::vector<std::u16string>& paths);
void DropFiles(HDROP drop);
void ShowOpenFileDialog();
void ShowAddFolderDialog();
void ClearPlaylist();

// The end of the current media; true when the end of the list was reached (playback holds).
bool AdvanceAtEndNow();

// M3U: the commands, and the file operations under them.
void OpenPlaylistFile();
void SavePlaylistFile();
bool WriteM3u(const std::u16string& path);
// Adds a playlist file's entries; false when the file cannot be read or is too large.
bool AddPlaylistFile(const std::u16string& path);
