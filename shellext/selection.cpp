#include "shellext/selection.h"

#include "base/ascii.h"

namespace {

constexpr std::u16string_view kAcceptedExtensions[] = {
    u".mp4", u".m4v",  u".mkv", u".webm", u".avi", u".mov",  u".wmv", u".flv",
    u".mpg", u".mpeg", u".3gp", u".m2ts", u".mts", u".ogv",  u".mp3", u".m4a",
    u".aac", u".flac", u".wav", u".wma",  u".ogg", u".opus", u".ts",
};

bool AcceptedFile(const std::u16string& path, const SelectionFacts& facts) {
    return facts.kindOf(path) == PathKind::File && IsAcceptedExtension(facts.extensionOf(path));
}

} // namespace

bool IsAcceptedExtension(std::u16string_view extension) {
    for (const auto accepted : kAcceptedExtensions) {
        if (AsciiEqualsNoCase(extension, accepted))
            return true;
    }
    return false;
}

std::optional<std::vector<std::u16string>>
EligiblePaths(const std::vector<std::optional<std::u16string>>& items, const SelectionFacts& facts) {
    std::vector<std::u16string> paths;
    for (const auto& item : items) {
        if (!item)
            return std::nullopt; // a virtual item: nothing the player could open
        paths.push_back(*item);
    }
    if (paths.empty() || paths.size() > kSelectionCap)
        return std::nullopt;
    for (const auto& path : paths) {
        if (!AcceptedFile(path, facts))
            return std::nullopt;
    }
    return paths;
}

std::u16string LaunchArguments(std::u16string_view prefix, std::u16string_view path) {
    std::u16string args(prefix);
    args += u'"';
    args += path;
    args += u'"';
    return args;
}

std::u16string SpawnLogLine(std::u16string_view exe, std::u16string_view args) {
    std::u16string line = u"SPAWN\t\"";
    line += exe;
    line += u"\" ";
    line += args;
    return line;
}
