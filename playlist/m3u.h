#pragma once
// M3U playlists: the simplest written form and a reader that takes only plain file paths.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// "#EXTM3U", CR LF, then each item's UTF-8 form and CR LF; no byte-order mark.
std::string BuildM3u(const std::vector<std::u16string>& items);

// Where a path leads: "" local, a lower-cased host name for network paths, "?" for an empty
// host, "?dev" for other device-namespace paths.
std::u16string PathHostKey(std::u16string_view path);

// The entries of a playlist file's bytes, in order: comments, blank lines, URLs, device paths
// and paths to other network hosts than the playlist's own are left out; relative entries are
// joined to the playlist's folder without any other change.
std::vector<std::u16string> ReadM3uEntries(std::string_view bytes, std::u16string_view playlistPath);

// Playlists are read in one piece; anything larger is refused unread. Real playlists are far
// below this (a million entries of 60 characters are 60 MiB).
inline constexpr std::size_t kMaxPlaylistFileBytes = 64u * 1024 * 1024;
