#include "playlist/open_dialog_result.h"

#include "playlist/path_rules.h"

std::vector<std::u16string> OpenDialogPaths(std::u16string_view buffer) {
    std::vector<std::u16string> parts;
    size_t at = 0;
    while (at < buffer.size() && buffer[at] != u'\0') {
        size_t end = buffer.find(u'\0', at);
        if (end == std::u16string_view::npos)
            end = buffer.size();
        parts.emplace_back(buffer.substr(at, end - at));
        at = end + 1;
    }
    if (parts.size() <= 1)
        return parts;
    std::vector<std::u16string> paths;
    for (size_t i = 1; i < parts.size(); ++i)
        paths.push_back(JoinFolderAndName(parts[0], parts[i]));
    return paths;
}
