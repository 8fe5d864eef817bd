#include "playlist/m3u.h"

#include "base/ascii.h"
#include "base/utf.h"
#include "playlist/path_rules.h"

namespace {

std::string_view WithoutByteOrderMark(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    return bytes.substr(0, bytes.find('\0'));
}

std::u16string_view BaseFolder(std::u16string_view playlistPath) {
    const size_t slash = playlistPath.find_last_of(u"\\/");
    return slash == std::u16string_view::npos ? std::u16string_view() : playlistPath.substr(0, slash);
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool Refused(const std::u16string& entry, std::u16string_view playlistPath) {
    if (entry.size() >= 3 && entry.find(u"://") != std::u16string::npos)
        return true; // a URL of any kind
    if (entry.size() >= 4 && (StartsWith(entry, u"\\\\.\\") || StartsWith(entry, u"//./")))
        return true;
    const std::u16string key = PathHostKey(entry);
    return !key.empty() && key != PathHostKey(playlistPath);
}

bool IsDriveRoot(std::u16string_view rest) {
    return rest.size() >= 3 && ((rest[0] >= u'a' && rest[0] <= u'z') || (rest[0] >= u'A' && rest[0] <= u'Z')) &&
           rest[1] == u':' && rest[2] == u'\\';
}

} // namespace

std::string BuildM3u(const std::vector<std::u16string>& items) {
    std::string text = "#EXTM3U\r\n";
    for (const auto& item : items)
        text += Utf16ToUtf8(item) + "\r\n";
    return text;
}

std::u16string PathHostKey(std::u16string_view original) {
    std::u16string path(original);
    for (auto& c : path) {
        if (c == u'/')
            c = u'\\';
    }
    if (StartsWith(path, u"\\\\?\\") || StartsWith(path, u"\\\\.\\")) {
        const std::u16string rest = path.substr(4);
        if (IsDriveRoot(rest))
            return u"";
        if (rest.size() >= 4 && AsciiEqualsNoCase(std::u16string_view(rest).substr(0, 4), u"unc\\"))
            path = u"\\\\" + rest.substr(4);
        else
            return u"?dev";
    }
    if (!StartsWith(path, u"\\\\"))
        return u"";
    const size_t end = path.find(u'\\', 2);
    const std::u16string host = AsciiLowered(path.substr(2, end == std::u16string::npos ? std::u16string::npos : end - 2));
    return host.empty() ? u"?" : host;
}

std::vector<std::u16string> ReadM3uEntries(std::string_view bytes, std::u16string_view playlistPath) {
    const std::string_view text = WithoutByteOrderMark(bytes);
    const std::u16string_view base = BaseFolder(playlistPath);
    std::vector<std::u16string> entries;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line.front() == '#')
            continue;
        std::u16string entry = Utf8ToUtf16(line);
        if (Refused(entry, playlistPath))
            continue;
        if (IsRelativePath(entry) && !base.empty())
            entry = std::u16string(base) + u"\\" + entry;
        entries.push_back(std::move(entry));
    }
    return entries;
}
