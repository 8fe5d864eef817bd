#include "base/path_text.h"

namespace {
bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}
} // namespace

std::u16string WithoutTrailingSeparators(std::u16string_view path) {
    while (!path.empty() && IsSeparator(path.back()))
        path.remove_suffix(1);
    return std::u16string(path);
}

std::u16string FolderPart(std::u16string_view path) {
    const size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, slash));
}
