#pragma once
// What the context-menu entry accepts and what each launch is made of, decided from path text and
// file facts that the Windows layer reads.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One row of the command table: the entry's title (a catalog key), the text put in front of each
// quoted path, and the most items the entry is shown for.
struct CmdSpec {
    const wchar_t* title;
    const char16_t* argumentPrefix;
    std::uint32_t maxCount;
};

inline constexpr size_t kSelectionCap = 15;

// The 23 media types the player accepts (".mp4" ... ".ts"); ASCII letters compared without case.
bool IsAcceptedExtension(std::u16string_view extension);

enum class PathKind { Missing, Folder, File };

struct SelectionFacts {
    std::function<PathKind(const std::u16string&)> kindOf;
    // The extension with its dot as the platform finds it, empty when there is none.
    std::function<std::u16string(const std::u16string&)> extensionOf;
};

// The selection's paths when the entry applies to it: every item had a file-system path (nullopt
// marks one without), there are 1 to 15 of them, and each is an existing file of an accepted type.
std::optional<std::vector<std::u16string>>
EligiblePaths(const std::vector<std::optional<std::u16string>>& items, const SelectionFacts& facts);

// The launch arguments for one path: the prefix, then the path in double quotes.
std::u16string LaunchArguments(std::u16string_view prefix, std::u16string_view path);

// The spawn log's line for one launch: "SPAWN", a tab, the program in double quotes, a blank, the
// arguments.
std::u16string SpawnLogLine(std::u16string_view exe, std::u16string_view args);
