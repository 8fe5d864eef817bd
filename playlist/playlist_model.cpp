#include "playlist/playlist_model.h"

#include <algorithm>
#include <unordered_map>

#include "base/ascii.h"
#include "playlist/media_types.h"
#include "playlist/path_rules.h"
#include "playlist/playlist_state.h"

namespace {

// Lower-cased path -> index of its first item: AddItem answers without scanning the list, so
// a folder of many thousands of files enters in one pass.
std::unordered_map<std::u16string, int> firstIndexOf;
size_t indexedItems = 0;

void RebuildIndex() {
    firstIndexOf.clear();
    firstIndexOf.reserve(playlist.size());
    for (size_t i = 0; i < playlist.size(); ++i)
        firstIndexOf.emplace(AsciiLowered(playlist[i]), static_cast<int>(i));
    indexedItems = playlist.size();
}

void EnsureIndex() {
    if (indexedItems != playlist.size())
        RebuildIndex(); // the list was replaced behind the index's back
}

struct SortedPaths {
    std::vector<std::u16string> folders, media, others;
};

SortedPaths SortByKind(const PlaylistHost& host, const std::vector<std::u16string>& paths) {
    SortedPaths sorted;
    for (const auto& path : paths) {
        if (path.empty())
            continue;
        const FileAttributes attributes = host.attributes(path);
        if (attributes.exists && attributes.isDirectory)
            sorted.folders.push_back(path);
        else if (HasMediaExtension(path))
            sorted.media.push_back(path);
        else if (attributes.exists)
            sorted.others.push_back(path);
    }
    return sorted;
}

std::optional<std::vector<std::u16string>> MediaInFolder(const PlaylistHost& host,
                                                         const std::u16string& folder) {
    const auto entries = host.listFolder(JoinFolderAndName(folder, u"*"));
    if (!entries)
        return std::nullopt;
    std::vector<std::u16string> media;
    for (const auto& entry : *entries) {
        if (entry.isDirectory)
            continue;
        std::u16string path = JoinFolderAndName(folder, entry.name);
        if (HasMediaExtension(path))
            media.push_back(std::move(path));
    }
    return media;
}

// The listing's own spelling of path: the exact one if present (a folder may be case-sensitive),
// else the one the file system takes as the same file.
std::vector<std::u16string>::const_iterator FindInListing(const PlaylistHost& host,
                                                          const std::vector<std::u16string>& media,
                                                          const std::u16string& path) {
    const auto exact = std::find(media.begin(), media.end(), path);
    if (exact != media.end())
        return exact;
    return std::find_if(media.begin(), media.end(),
                        [&](const std::u16string& listed) { return host.samePath(listed, path); });
}

// The sorted sibling list and the position of path in it, when the folder can be listed.
std::optional<std::pair<std::vector<std::u16string>, int>> SiblingsOf(const PlaylistHost& host,
                                                                      const std::u16string& path) {
    if (path.size() >= kMaxSiblingPathUnits)
        return std::nullopt;
    bool removed = false;
    const std::u16string folder = RemoveFileSpec(path, removed);
    if (!removed || folder.empty())
        return std::nullopt;
    auto media = MediaInFolder(host, folder);
    if (!media)
        return std::nullopt;
    std::stable_sort(media->begin(), media->end(), [&](const std::u16string& a, const std::u16string& b) {
        return host.compareNatural(a, b) < 0;
    });
    const auto found = FindInListing(host, *media, path);
    if (found == media->end())
        return std::nullopt;
    const int target = static_cast<int>(found - media->begin());
    return std::make_pair(std::move(*media), target);
}

bool SameKind(int index, bool audio) {
    return IsAudioItem(playlist[static_cast<size_t>(index)]) == audio;
}

} // namespace

bool AsciiSamePath(const std::u16string& a, const std::u16string& b) {
    return AsciiEqualsNoCase(a, b);
}

int AddItem(const std::u16string& path) {
    EnsureIndex();
    const auto [it, inserted] = firstIndexOf.emplace(AsciiLowered(path), static_cast<int>(playlist.size()));
    if (inserted) {
        playlist.push_back(path);
        indexedItems = playlist.size();
    }
    return it->second;
}

void ReplacePlaylist(std::vector<std::u16string> items) {
    playlist = std::move(items);
    RebuildIndex();
}

void OpenPaths(const PlaylistHost& host, const std::vector<std::u16string>& paths) {
    const SortedPaths sorted = SortByKind(host, paths);
    if (sorted.media.size() == 1 && sorted.folders.empty() && sorted.others.empty()) {
        OpenWithSiblings(host, sorted.media.front());
        return;
    }
    std::optional<int> first;
    for (const auto* list : {&sorted.media, &sorted.others}) {
        for (const auto& path : *list) {
            const int index = AddItem(path);
            if (!first)
                first = index;
        }
    }
    host.repaintAll();
    if (first)
        host.openItem(*first);
    for (const auto& folder : sorted.folders)
        AddFolder(host, folder);
}

void OpenWithSiblings(const PlaylistHost& host, const std::u16string& path) {
    auto siblings = SiblingsOf(host, path);
    int target = 0;
    if (siblings) {
        ReplacePlaylist(std::move(siblings->first));
        target = siblings->second;
    } else {
        ReplacePlaylist({path});
    }
    currentIndex = -1;
    host.openItem(target);
}

void AddFolder(const PlaylistHost& host, const std::u16string& folder) {
    const auto media = MediaInFolder(host, folder);
    if (!media)
        return;
    std::optional<int> first;
    for (const auto& path : *media) {
        const int index = AddItem(path);
        if (!first)
            first = index;
    }
    host.repaintAll();
    if (currentIndex == -1 && first)
        host.openItem(*first);
}

bool StepItem(const PlaylistHost& host, int delta, RepeatMode repeat) {
    const int n = static_cast<int>(playlist.size());
    if (n == 0)
        return false;
    const bool audio = CurrentIndexValid() && IsAudioItem(playlist[static_cast<size_t>(currentIndex)]);
    int i = currentIndex;
    for (int step = 0; step < n; ++step) {
        i += delta;
        if (i < 0 || i >= n) {
            if (repeat != RepeatMode::All)
                return false;
            i = i < 0 ? n - 1 : 0;
        }
        if (SameKind(i, audio)) {
            host.openItem(i);
            return true;
        }
    }
    return false;
}

void RemoveItem(int index) {
    if (index < 0 || index >= static_cast<int>(playlist.size()))
        return;
    playlist.erase(playlist.begin() + index);
    if (index == currentIndex)
        currentIndex = -1; // the media goes on playing, no longer listed
    else if (index < currentIndex)
        --currentIndex;
    RebuildIndex();
}

void ClearPlaylistItems() {
    playlist.clear();
    currentIndex = -1;
    RebuildIndex();
}

void AdvanceAtEnd(const PlaylistHost& host, RepeatMode repeat, bool sessionEngine) {
    if (repeat == RepeatMode::One && (sessionEngine || currentIndex >= 0)) {
        if (sessionEngine)
            host.restartCurrent();
        else
            host.openItem(currentIndex);
        return;
    }
    // Whether a step opened an item decides, not whether the index moved: with repeat all and a
    // single item of its kind the step reopens the same index, and that must keep playing.
    if (StepItem(host, +1, repeat))
        return;
    if (!sessionEngine && repeat == RepeatMode::All && !playlist.empty()) {
        host.openItem(0);
        return;
    }
    host.holdAtEnd();
}
