#include "ui/item_text.h"

#include <gtest/gtest.h>

#include "base/utf.h"

namespace {

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

TEST(ItemText, DisplayNameTable) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\Music\\a song.mp3", "a song.mp3"},
        {"C:\\Music\\", "C:\\Music\\"}, // nothing after the separator: the whole path
        {"C:\\Music/clip.webm", "clip.webm"},
        {"C:clip.mkv", "clip.mkv"},
        {"\\\\server\\share\\x.wav", "x.wav"},
        {"plain.ogg", "plain.ogg"},
        {"C:\\no extension", "no extension"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(U8(DisplayName(Utf8ToUtf16(c.path))), c.name) << c.path;
}

TEST(ItemText, WindowTitle) {
    const std::u16string program = u"Jaskel Player";
    EXPECT_EQ(U8(WindowTitleText(nullptr, program)), "Jaskel Player");
    const std::u16string path = u"C:\\Videos\\clip.mp4";
    EXPECT_EQ(U8(WindowTitleText(&path, program)), "clip.mp4 - Jaskel Player");
    const std::u16string folder = u"C:\\Videos\\";
    EXPECT_EQ(U8(WindowTitleText(&folder, program)), "C:\\Videos\\ - Jaskel Player");
}

TEST(ItemText, InfoValues) {
    const struct {
        double speed;
        const char* text;
    } speeds[] = {{1.0, "1x"}, {0.75, "0.75x"}, {1.5, "1.5x"}, {2.0, "2x"}, {0.25, "0.25x"}};
    for (const auto& s : speeds)
        EXPECT_EQ(U8(SpeedText(s.speed)), s.text) << s.speed;
    const struct {
        double seconds;
        const char* text;
    } durations[] = {{0, "0:00"}, {-1, "0:00"}, {59.9, "0:59"}, {61, "1:01"}, {3600, "60:00"}, {7322.5, "122:02"}};
    for (const auto& d : durations)
        EXPECT_EQ(U8(InfoDurationText(d.seconds)), d.text) << d.seconds;
}

} // namespace
