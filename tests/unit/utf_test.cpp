#include <gtest/gtest.h>

#include "base/ascii.h"
#include "base/utf.h"

namespace {

struct Utf8Case {
    const char* name;
    std::string utf8;
    std::u16string utf16;
};

TEST(Utf, Utf8ToUtf16Cases) {
    const Utf8Case cases[] = {
        {"ascii", "C:\\v\\a.mp4", u"C:\\v\\a.mp4"},
        {"korean", "\xEC\x9E\xAC\xEC\x83\x9D", u"\uC7AC\uC0DD"},
        {"astral", "\xF0\x9F\x8E\xB5", u"\U0001F3B5"},
        {"truncated sequence", "a\xE2\x82", u"a\uFFFD"},
        {"broken sequence then ascii", "\xE2\x82z", u"\uFFFDz"},
        {"lone continuation", "\x80z", u"\uFFFDz"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"empty", "", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.name;
}

TEST(Utf, Utf16ToUtf8RoundTripsAndRepairsLoneSurrogates) {
    const std::u16string text = u"Jaskel \uC7AC\uC0DD \U0001F3B5 \u0627";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(Ascii, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(AsciiEqualsNoCase(u"MFPLAY", u"mfplay"));
    EXPECT_FALSE(AsciiEqualsNoCase(u"mfplay1", u"mfplay"));
    EXPECT_FALSE(AsciiEqualsNoCase(u"\u00C4", u"\u00E4")); // Latin-1 letters are not folded
    EXPECT_EQ(AsciiLowered(u"A.MP4\u00C4"), u"a.mp4\u00C4");
}

} // namespace
