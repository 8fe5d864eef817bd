#include <gtest/gtest.h>

#include "playlist/m3u.h"

namespace {

using Paths = std::vector<std::u16string>;

TEST(M3u, WrittenBytes) {
    EXPECT_EQ(BuildM3u({u"C:\\v\\a.mp4", u"D:\\\uC74C\uC545\\b.mp3"}),
              "#EXTM3U\r\nC:\\v\\a.mp4\r\nD:\\\xEC\x9D\x8C\xEC\x95\x85\\b.mp3\r\n");
    EXPECT_EQ(BuildM3u({}), "#EXTM3U\r\n");
}

TEST(M3u, LineEndingsBomCommentsAndBlanks) {
    const Paths expected = {u"D:\\a.mp4", u"D:\\b.mp4"};
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"CR LF", "#EXTM3U\r\nD:\\a.mp4\r\nD:\\b.mp4\r\n"},
        {"LF only", "#EXTM3U\nD:\\a.mp4\nD:\\b.mp4\n"},
        {"CR only", "#EXTM3U\rD:\\a.mp4\rD:\\b.mp4\r"},
        {"no final line end", "D:\\a.mp4\nD:\\b.mp4"},
        {"byte-order mark", "\xEF\xBB\xBF#EXTM3U\r\nD:\\a.mp4\r\nD:\\b.mp4\r\n"},
        {"comments and blank lines", "#EXTM3U\n\n#EXTINF:10,Title\nD:\\a.mp4\n\n\n#x\nD:\\b.mp4\n"},
        {"text ends at a zero byte", std::string("D:\\a.mp4\nD:\\b.mp4\n\0D:\\c.mp4\n", 29)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadM3uEntries(c.bytes, u"D:\\lists\\x.m3u"), expected) << c.name;
}

TEST(M3u, EntriesAsWritten) {
    const struct {
        const char* name;
        std::string line;
        std::u16string playlist;
        Paths expected;
    } cases[] = {
        {"relative joined", "music\\a.mp3", u"D:\\lists\\x.m3u", {u"D:\\lists\\music\\a.mp3"}},
        {"dot-dot kept", "..\\a.mp3", u"D:\\lists\\x.m3u", {u"D:\\lists\\..\\a.mp3"}},
        {"slashes kept", "m/a.mp3", u"D:/lists/x.m3u", {u"D:/lists\\m/a.mp3"}},
        {"leading blank is a relative path", " D:\\a.mp3", u"D:\\lists\\x.m3u", {u"D:\\lists\\ D:\\a.mp3"}},
        {"blank before # is a path", " #x.mp3", u"D:\\l\\x.m3u", {u"D:\\l\\ #x.mp3"}},
        {"no base folder", "a.mp3", u"x.m3u", {u"a.mp3"}},
        {"web URL refused", "http://host/a.mp3", u"D:\\x.m3u", {}},
        {"file URL refused", "file:///D:/a.mp3", u"D:\\x.m3u", {}},
        {"device path refused", "\\\\.\\PhysicalDrive0", u"D:\\x.m3u", {}},
        {"device path with slashes refused", "//./pipe/x", u"D:\\x.m3u", {}},
        {"other host from a local list", "\\\\otherhost\\share\\a.mp3", u"D:\\x.m3u", {}},
        {"same host, other case", "\\\\NAS\\music\\b.mp3", u"\\\\nas\\music\\x.m3u", {u"\\\\NAS\\music\\b.mp3"}},
        {"other host from a network list", "\\\\other\\music\\b.mp3", u"\\\\nas\\music\\x.m3u", {}},
        {"long drive path is local", "\\\\?\\C:\\a.mp3", u"D:\\x.m3u", {u"\\\\?\\C:\\a.mp3"}},
        {"volume path refused", "\\\\?\\Volume{12}\\a.mp3", u"D:\\x.m3u", {}},
        {"volume path from a volume list", "\\\\?\\Volume{12}\\a.mp3", u"\\\\?\\Volume{12}\\x.m3u",
         {u"\\\\?\\Volume{12}\\a.mp3"}},
        {"invalid UTF-8", "D:\\\xFF.mp3", u"D:\\x.m3u", {u"D:\\\uFFFD.mp3"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadM3uEntries(c.line, c.playlist), c.expected) << c.name;
}

TEST(M3u, PathHostKeys) {
    const struct {
        std::u16string path;
        std::u16string key;
    } cases[] = {
        {u"D:\\a.mp3", u""},
        {u"music\\a.mp3", u""},
        {u"\\\\NAS\\music\\a.mp3", u"nas"},
        {u"//Nas/music/a.mp3", u"nas"},
        {u"\\\\server", u"server"},
        {u"\\\\?\\UNC\\Host\\s\\a.mp3", u"host"},
        {u"\\\\?\\unc\\\\s", u"?"},
        {u"\\\\\\share", u"?"},
        {u"\\\\?\\C:\\a.mp3", u""},
        {u"\\\\.\\C:\\a.mp3", u""},
        {u"\\\\?\\Volume{1}\\a", u"?dev"},
        {u"\\\\.\\pipe\\x", u"?dev"},
        {u"\\\\?\\C:", u"?dev"},
        {u"\\\\HOST\u00C4\\x", u"host\u00C4"},
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathHostKey(c.path), c.key);
}

} // namespace
