#include <gtest/gtest.h>

#include <map>

#include "base/path_text.h"
#include "shellext/selection.h"

namespace {

using Items = std::vector<std::optional<std::u16string>>;

// A made-up file system: every listed path exists with its kind; the extension is what follows
// the last dot of the last path piece.
SelectionFacts FactsOf(std::map<std::u16string, PathKind> files) {
    return SelectionFacts{[files](const std::u16string& p) {
                              const auto it = files.find(p);
                              return it == files.end() ? PathKind::Missing : it->second;
                          },
                          [](const std::u16string& p) {
                              const size_t dot = p.find_last_of(u".\\");
                              return dot == std::u16string::npos || p[dot] != u'.' ? std::u16string()
                                                                                   : p.substr(dot);
                          }};
}

TEST(ShellextSelection, AcceptedExtensionsIgnoreAsciiCase) {
    for (const char16_t* e : {u".mp4", u".MKV", u".WebM", u".m2ts", u".opus", u".ts", u".3GP", u".mpeg"})
        EXPECT_TRUE(IsAcceptedExtension(e));
    for (const char16_t* e : {u"", u".", u".txt", u"mp4", u".mp4 ", u".m3u", u".mp", u".tss"})
        EXPECT_FALSE(IsAcceptedExtension(e));
}

TEST(ShellextSelection, AllTwentyThreePlayerTypes) {
    const char16_t* all[] = {u".mp4", u".m4v",  u".mkv", u".webm", u".avi", u".mov",  u".wmv", u".flv",
                             u".mpg", u".mpeg", u".3gp", u".m2ts", u".mts", u".ogv",  u".mp3", u".m4a",
                             u".aac", u".flac", u".wav", u".wma",  u".ogg", u".opus", u".ts"};
    for (const char16_t* e : all)
        EXPECT_TRUE(IsAcceptedExtension(e));
}

TEST(ShellextSelection, EligibilityRules) {
    const auto facts = FactsOf({{u"C:\\a.MKV", PathKind::File},
                                {u"C:\\b.mp3", PathKind::File},
                                {u"C:\\notes.txt", PathKind::File},
                                {u"C:\\dir.mp4", PathKind::Folder}});
    EXPECT_TRUE(EligiblePaths({u"C:\\a.MKV"}, facts));
    EXPECT_EQ(*EligiblePaths({u"C:\\b.mp3", u"C:\\a.MKV"}, facts),
              (std::vector<std::u16string>{u"C:\\b.mp3", u"C:\\a.MKV"}));
    EXPECT_FALSE(EligiblePaths({}, facts)) << "nothing selected";
    EXPECT_FALSE(EligiblePaths({u"C:\\a.MKV", std::nullopt}, facts)) << "a virtual item";
    EXPECT_FALSE(EligiblePaths({u"C:\\a.MKV", u"C:\\dir.mp4"}, facts)) << "a folder";
    EXPECT_FALSE(EligiblePaths({u"C:\\a.MKV", u"C:\\notes.txt"}, facts)) << "a text file";
    EXPECT_FALSE(EligiblePaths({u"C:\\a.MKV", u"C:\\gone.mp4"}, facts)) << "a missing file";
}

TEST(ShellextSelection, FifteenAtMost) {
    std::map<std::u16string, PathKind> files;
    Items items;
    for (int i = 0; i < 16; ++i) {
        const std::u16string path = u"C:\\v" + std::u16string(1, char16_t(u'a' + i)) + u".mp4";
        files[path] = PathKind::File;
        items.push_back(path);
    }
    const auto facts = FactsOf(files);
    EXPECT_FALSE(EligiblePaths(items, facts));
    items.pop_back();
    ASSERT_TRUE(EligiblePaths(items, facts));
    EXPECT_EQ(EligiblePaths(items, facts)->size(), 15u);
}

TEST(ShellextSelection, LaunchTexts) {
    EXPECT_EQ(LaunchArguments(u"", u"C:\\My Videos\\a.mkv"), u"\"C:\\My Videos\\a.mkv\"");
    EXPECT_EQ(LaunchArguments(u"--x ", u"b.mp3"), u"--x \"b.mp3\"");
    EXPECT_EQ(SpawnLogLine(u"", u"\"C:\\a.mp4\""), u"SPAWN\t\"\" \"C:\\a.mp4\"");
    EXPECT_EQ(SpawnLogLine(u"C:\\P\\Jaskel Player.exe", u"\"x\""),
              u"SPAWN\t\"C:\\P\\Jaskel Player.exe\" \"x\"");
}

TEST(PathText, TrailingSeparatorsAndFolderPart) {
    EXPECT_EQ(WithoutTrailingSeparators(u"C:\\Program Files\\Jaskel Player\\"),
              u"C:\\Program Files\\Jaskel Player");
    EXPECT_EQ(WithoutTrailingSeparators(u"C:\\App\\/\\"), u"C:\\App");
    EXPECT_EQ(WithoutTrailingSeparators(u"\\\\"), u"");
    EXPECT_EQ(FolderPart(u"C:\\Videos\\a.mkv"), u"C:\\Videos");
    EXPECT_EQ(FolderPart(u"C:/Videos/a.mkv"), u"C:/Videos");
    EXPECT_EQ(FolderPart(u"a.mkv"), u"");
}

} // namespace
