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

namespace {

// Every component after the root is a name the system would not change: no "/", none empty,
// none ending in a dot or a blank (which also rules out "." and "..").
bool IsTidy(std::u16string_view rest) {
    if (rest.find(u'/') != std::u16string_view::npos)
        return false;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find(u'\\', start);
        if (end == std::u16string_view::npos)
            end = rest.size();
        const std::u16string_view part = rest.substr(start, end - start);
        const bool last = end == rest.size();
        if (part.empty() ? !last : (part.back() == u'.' || part.back() == u' '))
            return false;
        start = end + 1;
    }
    return true;
}

bool IsAsciiLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

std::u16string ExtendedLengthPath(std::u16string_view path) {
    const bool drive = path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == u':' && path[2] == u'\\';
    if (drive && IsTidy(path.substr(3)))
        return u"\\\\?\\" + std::u16string(path);
    // \\?\ and \\.\ already name the object exactly; \\host\share is a network path.
    const bool twoSlashes = path.size() > 2 && path[0] == u'\\' && path[1] == u'\\';
    const bool device =
        twoSlashes && (path[2] == u'?' || path[2] == u'.') && (path.size() == 3 || path[3] == u'\\');
    const bool network = twoSlashes && !device && path[2] != u'\\';
    if (network && IsTidy(path.substr(2)))
        return u"\\\\?\\UNC\\" + std::u16string(path.substr(2));
    return std::u16string(path);
}
