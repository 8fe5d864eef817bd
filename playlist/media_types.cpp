#include "playlist/media_types.h"

#include "base/ascii.h"
#include "playlist/path_rules.h"

namespace {

template <size_t N>
bool InTable(const std::array<std::u16string_view, N>& table, std::u16string_view extension) {
    if (extension.empty())
        return false;
    for (const auto& entry : table) {
        if (AsciiEqualsNoCase(entry, extension))
            return true;
    }
    return false;
}

} // namespace

bool HasMediaExtension(std::u16string_view path) { return InTable(kMediaExtensions, PathExtension(path)); }
bool IsAudioItem(std::u16string_view path) { return InTable(kAudioExtensions, PathExtension(path)); }
