#pragma once
// Following a request through its redirects where the system does not say where it ended: each
// redirect reports its target as the Location header gave it, which may be relative.
#include <string>
#include <string_view>

// The absolute URL a redirect from current leads to. An absolute location ("scheme://…") stands
// as it is; "//host/…" takes current's scheme; "/path" keeps current's scheme and authority;
// "?query" keeps current's path; any other text replaces the last segment of current's path.
// Dot segments are left as they are: only the scheme and the host are checked afterwards.
std::u16string ResolveRedirectTarget(std::u16string_view current, std::u16string_view location);
