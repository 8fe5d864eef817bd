#include "update/redirect_target.h"

namespace {

bool IsAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsSchemeChar(char16_t c) {
    return IsAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

// The length of a leading "scheme:", or 0.
size_t SchemeLength(std::u16string_view url) {
    if (url.empty() || !IsAsciiLetter(url[0]))
        return 0;
    size_t i = 1;
    while (i < url.size() && IsSchemeChar(url[i]))
        ++i;
    return i < url.size() && url[i] == u':' ? i + 1 : 0;
}

// "scheme://authority" of an absolute URL (everything before its path, query or fragment).
std::u16string_view Origin(std::u16string_view url) {
    const size_t scheme = SchemeLength(url);
    const size_t authority = url.substr(scheme, 2) == u"//" ? scheme + 2 : scheme;
    const size_t end = url.find_first_of(u"/?#", authority);
    return url.substr(0, end == std::u16string_view::npos ? url.size() : end);
}

std::u16string_view WithoutQuery(std::u16string_view url) {
    const size_t origin = Origin(url).size();
    const size_t end = url.find_first_of(u"?#", origin);
    return url.substr(0, end == std::u16string_view::npos ? url.size() : end);
}

} // namespace

std::u16string ResolveRedirectTarget(std::u16string_view current, std::u16string_view location) {
    if (SchemeLength(location) > 0)
        return std::u16string(location);
    if (location.substr(0, 2) == u"//")
        return std::u16string(current.substr(0, SchemeLength(current))) + std::u16string(location);
    if (!location.empty() && location[0] == u'/')
        return std::u16string(Origin(current)) + std::u16string(location);
    const std::u16string_view base = WithoutQuery(current);
    if (!location.empty() && location[0] == u'?')
        return std::u16string(base) + std::u16string(location);
    const size_t origin = Origin(base).size();
    const size_t slash = base.rfind(u'/');
    const std::u16string_view folder =
        slash != std::u16string_view::npos && slash >= origin ? base.substr(0, slash + 1) : base;
    return std::u16string(folder) + (folder.size() == origin ? u"/" : u"") + std::u16string(location);
}
