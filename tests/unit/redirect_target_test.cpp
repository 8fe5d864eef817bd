#include <gtest/gtest.h>

#include "update/redirect_target.h"

namespace {

TEST(RedirectTarget, RelativeLocationsKeepTheSchemeAndHostTheyCameFrom) {
    const struct {
        const char16_t* current;
        const char16_t* location;
        const char16_t* expected;
    } cases[] = {
        {u"https://jkupd.test/update/v1?t=5", u"https://www.jkupd.test/m", u"https://www.jkupd.test/m"},
        {u"https://jkupd.test/update/v1?t=5", u"HTTP://jkupd.test/m", u"HTTP://jkupd.test/m"},
        {u"https://jkupd.test/update/v1?t=5", u"/m?x=1", u"https://jkupd.test/m?x=1"},
        {u"https://jkupd.test:8443/a/b", u"/m", u"https://jkupd.test:8443/m"},
        {u"https://jkupd.test/update/v1?t=5", u"//other.test/m", u"https://other.test/m"},
        {u"https://jkupd.test/update/v1?t=5", u"m", u"https://jkupd.test/update/m"},
        {u"https://jkupd.test/update/v1?t=5", u"../m", u"https://jkupd.test/update/../m"},
        {u"https://jkupd.test/update/v1?t=5#f", u"?t=6", u"https://jkupd.test/update/v1?t=6"},
        {u"https://jkupd.test", u"m", u"https://jkupd.test/m"},
        {u"https://jkupd.test?q", u"m", u"https://jkupd.test/m"},
        {u"https://jkupd.test/a/b", u"", u"https://jkupd.test/a/"},
        // Host-like text without a scheme is a path, as browsers read it.
        {u"https://jkupd.test/a/b", u"other.test/m", u"https://jkupd.test/a/other.test/m"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveRedirectTarget(c.current, c.location), c.expected)
            << "from " << std::string(c.current, c.current + std::char_traits<char16_t>::length(c.current))
            << " to " << std::string(c.location, c.location + std::char_traits<char16_t>::length(c.location));
    }
}

} // namespace
