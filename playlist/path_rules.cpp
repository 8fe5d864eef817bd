#include "playlist/path_rules.h"

std::u16string_view PathExtension(std::u16string_view path) {
    size_t dot = std::u16string_view::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == u'\\' || path[i] == u' ')
            dot = std::u16string_view::npos;
        else if (path[i] == u'.')
            dot = i;
    }
    return dot == std::u16string_view::npos ? std::u16string_view() : path.substr(dot);
}

std::u16string RemoveFileSpec(std::u16string_view path, bool& removed) {
    size_t i = 0;
    size_t spec = 0;
    // A leading backslash (or the two of a network path) belongs to the folder.
    if (i < path.size() && path[i] == u'\\')
        spec = ++i;
    if (i < path.size() && path[i] == u'\\')
        spec = ++i;
    while (i < path.size()) {
        if (path[i] == u'\\') {
            spec = i;
        } else if (path[i] == u':') {
            spec = ++i; // the drive stays, with the backslash after it
            if (i < path.size() && path[i] == u'\\')
                ++spec;
            if (i >= path.size())
                break;
        }
        ++i;
    }
    removed = spec < path.size();
    return std::u16string(path.substr(0, removed ? spec : path.size()));
}

bool IsRelativePath(std::u16string_view path) {
    if (path.empty())
        return true;
    if (path[0] == u'\\')
        return false;
    return !(path.size() >= 2 && path[1] == u':');
}

std::u16string JoinFolderAndName(std::u16string_view folder, std::u16string_view name) {
    std::u16string joined(folder);
    if (joined.empty() || joined.back() != u'\\')
        joined.push_back(u'\\');
    joined += name;
    return joined;
}
