#pragma once
// The playlist's rules: which paths enter it, in which order, and how the current item moves.
// The file system, the natural-order comparison and the engine are reached through PlaylistHost,
// so the rules run the same on Windows and in the portable tests.
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct FileAttributes {
    bool exists = false;
    bool isDirectory = false;
};

struct FolderEntry {
    std::u16string name;
    bool isDirectory = false;
};

// Paths compared as the portable code does elsewhere: ASCII letters without case.
bool AsciiSamePath(const std::u16string& a, const std::u16string& b);

struct PlaylistHost {
    std::function<FileAttributes(const std::u16string& path)> attributes;
    // The entries of a folder listing for the pattern (folder + "\*"); nullopt when it cannot be opened.
    std::function<std::optional<std::vector<FolderEntry>>(const std::u16string& pattern)> listFolder;
    // Natural order (StrCmpLogicalW): negative, zero or positive.
    std::function<int(const std::u16string& a, const std::u16string& b)> compareNatural;
    // Whether two paths name the same file under the file system's case rule.
    std::function<bool(const std::u16string& a, const std::u16string& b)> samePath = AsciiSamePath;
    std::function<void(int index)> openItem;
    std::function<void()> repaintAll;
    // The session engine's restart of the current media from 0 (repeat one).
    std::function<void()> restartCurrent;
    std::function<void()> holdAtEnd; // paused at the end of the list
};

enum class RepeatMode { Off = 0, All = 1, One = 2 };

inline constexpr size_t kMaxSiblingPathUnits = 260;

// The index of the item equal to path (ASCII letters compared without case), appended if new.
int AddItem(const std::u16string& path);
void OpenPaths(const PlaylistHost& host, const std::vector<std::u16string>& paths);
void OpenWithSiblings(const PlaylistHost& host, const std::u16string& path);
void AddFolder(const PlaylistHost& host, const std::u16string& folder);
// True when it opened an item.
bool StepItem(const PlaylistHost& host, int delta, RepeatMode repeat);
void RemoveItem(int index);
void ClearPlaylistItems();
// sessionEngine selects the session column of the end rule, else the MFPlay column.
void AdvanceAtEnd(const PlaylistHost& host, RepeatMode repeat, bool sessionEngine);

// Replaces the whole list (keeps the duplicate index in step with it).
void ReplacePlaylist(std::vector<std::u16string> items);
