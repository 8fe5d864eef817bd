#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/ascii.h"
#include "playlist/media_types.h"
#include "playlist/open_dialog_result.h"
#include "playlist/path_rules.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_state.h"

namespace {

using Paths = std::vector<std::u16string>;

// Natural order as the shell compares: digit runs by value, letters without case.
int NaturalCompare(const std::u16string& a, const std::u16string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = a[i] >= u'0' && a[i] <= u'9', db = b[j] >= u'0' && b[j] <= u'9';
        if (da && db) {
            unsigned long long va = 0, vb = 0;
            while (i < a.size() && a[i] >= u'0' && a[i] <= u'9')
                va = va * 10 + (a[i++] - u'0');
            while (j < b.size() && b[j] >= u'0' && b[j] <= u'9')
                vb = vb * 10 + (b[j++] - u'0');
            if (va != vb)
                return va < vb ? -1 : 1;
            continue;
        }
        const char16_t ca = AsciiLower(a[i++]), cb = AsciiLower(b[j++]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return (a.size() - i) < (b.size() - j) ? -1 : ((a.size() - i) > (b.size() - j) ? 1 : 0);
}

// A small file system and an engine that only records what it is asked to do.
struct FakeWorld {
    std::map<std::u16string, std::vector<FolderEntry>> folders; // keyed by the listing pattern
    std::set<std::u16string> files;
    std::set<std::u16string> directories;
    std::vector<int> opened;
    int repaints = 0;
    int restarts = 0;
    int holds = 0;

    PlaylistHost Host() {
        PlaylistHost host;
        host.attributes = [this](const std::u16string& p) {
            return FileAttributes{files.count(p) > 0 || directories.count(p) > 0, directories.count(p) > 0};
        };
        host.listFolder = [this](const std::u16string& pattern) -> std::optional<std::vector<FolderEntry>> {
            const auto it = folders.find(pattern);
            if (it == folders.end())
                return std::nullopt;
            return it->second;
        };
        host.compareNatural = NaturalCompare;
        host.openItem = [this](int index) {
            if (index < 0 || index >= static_cast<int>(playlist.size()))
                return;
            currentIndex = index;
            opened.push_back(index);
        };
        host.repaintAll = [this] { ++repaints; };
        host.restartCurrent = [this] { ++restarts; };
        host.holdAtEnd = [this] { ++holds; };
        return host;
    }

    void Folder(const std::u16string& folder, std::vector<FolderEntry> entries) {
        directories.insert(folder);
        for (const auto& e : entries) {
            const std::u16string path = JoinFolderAndName(folder, e.name);
            (e.isDirectory ? directories : files).insert(path);
        }
        folders[JoinFolderAndName(folder, u"*")] = std::move(entries);
    }
};

class PlaylistTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ReplacePlaylist({});
        currentIndex = -1;
    }
    FakeWorld world;
};

TEST(PathRules, ExtensionsFoldersAndJoins) {
    const struct {
        std::u16string path;
        std::u16string extension;
    } extensions[] = {
        {u"C:\\v\\a.MP4", u".MP4"},
        {u"C:\\v.d\\a", u""},
        {u"a.tar.gz", u".gz"},
        {u"C:\\v\\a. mp4", u""},
        {u"C:\\v\\.mp4", u".mp4"},
        {u"C:/v/a.mkv", u".mkv"},
        {u"", u""},
    };
    for (const auto& c : extensions)
        EXPECT_EQ(PathExtension(c.path), c.extension);
    EXPECT_EQ(JoinFolderAndName(u"C:\\", u"a.mp4"), u"C:\\a.mp4");
    EXPECT_EQ(JoinFolderAndName(u"C:\\v", u"a.mp4"), u"C:\\v\\a.mp4");
    EXPECT_TRUE(IsAudioItem(u"x.FLAC"));
    EXPECT_FALSE(IsAudioItem(u"x.mkv"));
    EXPECT_FALSE(IsAudioItem(u"noextension"));
    EXPECT_TRUE(HasMediaExtension(u"D:\\a.Opus"));
    EXPECT_FALSE(HasMediaExtension(u"D:\\notes.txt"));
}

TEST(PathRules, ExtendedLengthForm) {
    const struct {
        std::u16string path;
        std::u16string extended;
    } cases[] = {
        {u"C:\\v\\list.m3u", u"\\\\?\\C:\\v\\list.m3u"},
        {u"z:\\", u"\\\\?\\z:\\"},
        {u"C:\\v\\", u"\\\\?\\C:\\v\\"},
        {u"C:\\\uC74C\uC545\\a b.m3u", u"\\\\?\\C:\\\uC74C\uC545\\a b.m3u"},
        {u"\\\\nas\\music\\list.m3u", u"\\\\?\\UNC\\nas\\music\\list.m3u"},
        // Left as they are: relative, drive-relative, rooted, already extended, devices.
        {u"list.m3u", u"list.m3u"},
        {u"..\\list.m3u", u"..\\list.m3u"},
        {u"C:list.m3u", u"C:list.m3u"},
        {u"\\v\\list.m3u", u"\\v\\list.m3u"},
        {u"\\\\?\\C:\\list.m3u", u"\\\\?\\C:\\list.m3u"},
        {u"\\\\?\\UNC\\nas\\s\\l.m3u", u"\\\\?\\UNC\\nas\\s\\l.m3u"},
        {u"\\\\.\\pipe\\x", u"\\\\.\\pipe\\x"},
        {u"\\\\\\share", u"\\\\\\share"},
        {u"1:\\list.m3u", u"1:\\list.m3u"},
        {u"", u""},
        // Left for the system to tidy: the extended form would take these names literally.
        {u"C:/v/list.m3u", u"C:/v/list.m3u"},
        {u"C:\\v\\..\\list.m3u", u"C:\\v\\..\\list.m3u"},
        {u"C:\\v\\.\\list.m3u", u"C:\\v\\.\\list.m3u"},
        {u"C:\\v\\\\list.m3u", u"C:\\v\\\\list.m3u"},
        {u"C:\\v\\list.m3u.", u"C:\\v\\list.m3u."},
        {u"C:\\v \\list.m3u", u"C:\\v \\list.m3u"},
        {u"\\\\nas\\music\\..\\l.m3u", u"\\\\nas\\music\\..\\l.m3u"},
    };
    for (const auto& c : cases) {
        const std::string shown(c.path.begin(), c.path.end()); // readable for the ASCII cases
        EXPECT_EQ(ExtendedLengthPath(c.path), c.extended) << shown;
    }
    const std::u16string longPath = u"C:\\" + std::u16string(300, u'x') + u"\\list.m3u";
    EXPECT_EQ(ExtendedLengthPath(longPath), u"\\\\?\\" + longPath);
}

TEST(OpenDialog, SingleAndMultipleSelections) {
    using std::u16string_view;
    const struct {
        const char* name;
        std::u16string buffer;
        Paths expected;
    } cases[] = {
        {"one file", std::u16string(u"C:\\v\\a.mp4\0\0", 13), {u"C:\\v\\a.mp4"}},
        {"several files", std::u16string(u"C:\\v\0a.mp4\0b.mkv\0\0", 19), {u"C:\\v\\a.mp4", u"C:\\v\\b.mkv"}},
        {"several in a drive root",
         std::u16string(u"C:\\\0a.mp4\0b.mkv\0\0", 17),
         {u"C:\\a.mp4", u"C:\\b.mkv"}},
        {"nothing", std::u16string(4, u'\0'), {}},
        {"no terminator at all", u"C:\\x.mp4", {u"C:\\x.mp4"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OpenDialogPaths(c.buffer), c.expected) << c.name;
}

TEST_F(PlaylistTest, LoneFileBringsItsFolderInNaturalOrder) {
    world.Folder(u"D:\\v", {{u"1.mp4"}, {u"10.mp4"}, {u"2.mp4"}, {u"notes.txt"}, {u"sub", true}});
    ReplacePlaylist({u"E:\\old.mp4"});
    OpenPaths(world.Host(), {u"D:\\v\\2.mp4"});
    EXPECT_EQ(playlist, (Paths{u"D:\\v\\1.mp4", u"D:\\v\\2.mp4", u"D:\\v\\10.mp4"}));
    EXPECT_EQ(world.opened, (std::vector<int>{1}));
}

TEST_F(PlaylistTest, DriveRootListsTheRoot) {
    world.Folder(u"C:\\", {{u"b.mp4"}, {u"a.mp4"}});
    OpenPaths(world.Host(), {u"C:\\b.mp4"});
    EXPECT_EQ(playlist, (Paths{u"C:\\a.mp4", u"C:\\b.mp4"}));
    EXPECT_EQ(currentIndex, 1);
}

TEST_F(PlaylistTest, LonePathsThatCannotBeListedStandAlone) {
    const std::u16string longPath = u"C:\\" + std::u16string(253, u'x') + u".mp4"; // 260 units
    world.Folder(u"C:\\", {{std::u16string(253, u'x') + u".mp4"}, {u"other.mp4"}});
    const struct {
        const char* name;
        std::u16string path;
    } cases[] = {
        {"260 characters", longPath},
        {"no folder part", u"clip.mp4"},
        {"folder cannot be listed", u"Q:\\gone\\clip.mp4"},
        {"not in its folder's listing", u"C:\\missing.mp4"},
    };
    for (const auto& c : cases) {
        ReplacePlaylist({u"E:\\old.mp4"});
        world.opened.clear();
        OpenPaths(world.Host(), {c.path});
        EXPECT_EQ(playlist, (Paths{c.path})) << c.name;
        EXPECT_EQ(world.opened, (std::vector<int>{0})) << c.name;
    }
}

TEST_F(PlaylistTest, LoneFileInAnotherCaseTakesTheListingsSpelling) {
    // A host rule that also folds the non-ASCII letters used below, as the file system does.
    const auto foldsAccents = [](const std::u16string& a, const std::u16string& b) {
        const auto fold = [](std::u16string text) {
            for (auto& c : text)
                c = c == u'\u00C9' ? u'\u00E9' : AsciiLower(c);
            return text;
        };
        return fold(a) == fold(b);
    };
    const struct {
        const char* name;
        std::vector<FolderEntry> entries;
        std::u16string opened;
        bool hostFoldsAccents;
        Paths expected;
        int current;
    } cases[] = {
        {"other case of the name",
         {{u"b.mp4"}, {u"clip.mp4"}, {u"a.mp4"}},
         u"D:\\v\\CLIP.MP4",
         false,
         {u"D:\\v\\a.mp4", u"D:\\v\\b.mp4", u"D:\\v\\clip.mp4"},
         2},
        {"exact spelling first in a case-sensitive folder",
         {{u"x.mp4"}, {u"X.mp4"}},
         u"D:\\v\\X.mp4",
         false,
         {u"D:\\v\\x.mp4", u"D:\\v\\X.mp4"},
         1},
        {"other case when both spellings are listed",
         {{u"x.mp4"}, {u"X.mp4"}},
         u"D:\\v\\x.MP4",
         false,
         {u"D:\\v\\x.mp4", u"D:\\v\\X.mp4"},
         0},
        {"the ASCII rule keeps other letters apart",
         {{u"\u00E9t\u00E9.mp4"}, {u"a.mp4"}},
         u"D:\\v\\\u00C9t\u00C9.mp4",
         false,
         {u"D:\\v\\\u00C9t\u00C9.mp4"},
         0},
        {"the host's rule decides",
         {{u"\u00E9t\u00E9.mp4"}, {u"a.mp4"}},
         u"D:\\v\\\u00C9T\u00C9.MP4",
         true,
         {u"D:\\v\\a.mp4", u"D:\\v\\\u00E9t\u00E9.mp4"},
         1},
    };
    for (const auto& c : cases) {
        FakeWorld fresh;
        fresh.Folder(u"D:\\v", c.entries);
        PlaylistHost host = fresh.Host();
        if (c.hostFoldsAccents)
            host.samePath = foldsAccents;
        ReplacePlaylist({u"E:\\old.mp4"});
        OpenPaths(host, {c.opened});
        EXPECT_EQ(playlist, c.expected) << c.name;
        EXPECT_EQ(fresh.opened, (std::vector<int>{c.current})) << c.name;
    }
}

TEST_F(PlaylistTest, UnknownTypeFileIsAppendedAndOpened) {
    world.files.insert(u"C:\\v\\notes.txt");
    ReplacePlaylist({u"C:\\v\\a.mp4"});
    currentIndex = 0;
    OpenPaths(world.Host(), {u"C:\\v\\notes.txt", u"C:\\v\\absent.doc"});
    EXPECT_EQ(playlist, (Paths{u"C:\\v\\a.mp4", u"C:\\v\\notes.txt"}));
    EXPECT_EQ(world.opened, (std::vector<int>{1}));
}

TEST_F(PlaylistTest, DuplicatesFoldUnderTheAsciiCaseRule) {
    ReplacePlaylist({u"c:\\v\\a.mp4"});
    OpenPaths(world.Host(), {u"C:\\V\\A.MP4", u"C:\\V\\B.MP4"});
    EXPECT_EQ(playlist, (Paths{u"c:\\v\\a.mp4", u"C:\\V\\B.MP4"}));
    EXPECT_EQ(world.opened, (std::vector<int>{0})) << "the existing item opens again";
    EXPECT_EQ(AddItem(u"C:\\v\\\u00C4.mp4"), 2);
    EXPECT_EQ(AddItem(u"c:\\v\\\u00E4.mp4"), 3) << "only ASCII letters fold";
}

TEST_F(PlaylistTest, TwoFilesAndAFolder) {
    world.Folder(u"D:\\f", {{u"z.mp4"}, {u"y.mkv"}, {u"readme.md"}});
    world.files.insert(u"D:\\a.mp4");
    OpenPaths(world.Host(), {u"D:\\a.mp4", u"D:\\f", u"E:\\b.mp3"});
    EXPECT_EQ(playlist, (Paths{u"D:\\a.mp4", u"E:\\b.mp3", u"D:\\f\\z.mp4", u"D:\\f\\y.mkv"}));
    EXPECT_EQ(world.opened, (std::vector<int>{0})) << "only the first file opens";
}

TEST_F(PlaylistTest, OnlyAFolder) {
    world.Folder(u"D:\\f", {{u"z.mp4"}, {u"y.mkv"}});
    OpenPaths(world.Host(), {u"D:\\f"});
    EXPECT_EQ(world.opened, (std::vector<int>{0})) << "nothing current: the first one opens";

    ReplacePlaylist({u"X:\\playing.mp4"});
    currentIndex = 0;
    world.opened.clear();
    OpenPaths(world.Host(), {u"D:\\f"});
    EXPECT_EQ(playlist.size(), 3u);
    EXPECT_TRUE(world.opened.empty()) << "something current: only appended";
}

TEST_F(PlaylistTest, NextAndPreviousStayWithinTheKind) {
    const struct {
        const char* name;
        int current;
        int delta;
        RepeatMode repeat;
        std::vector<int> opened;
    } cases[] = {
        {"next at the last video, repeat off", 1, +1, RepeatMode::Off, {}},
        {"next at the last video, repeat all", 1, +1, RepeatMode::All, {0}},
        {"next at the last video, repeat one", 1, +1, RepeatMode::One, {}},
        {"previous at the first video, repeat all", 0, -1, RepeatMode::All, {1}},
        {"next from the audio item finds no other audio", 2, +1, RepeatMode::All, {2}},
        {"nothing current: next starts at the first video", -1, +1, RepeatMode::Off, {0}},
    };
    for (const auto& c : cases) {
        ReplacePlaylist({u"A.mp4", u"B.mkv", u"C.mp3"});
        currentIndex = c.current;
        world.opened.clear();
        StepItem(world.Host(), c.delta, c.repeat);
        EXPECT_EQ(world.opened, c.opened) << c.name;
    }
    ReplacePlaylist({u"x.mp3", u"y.flac"});
    currentIndex = -1;
    world.opened.clear();
    StepItem(world.Host(), +1, RepeatMode::All);
    EXPECT_TRUE(world.opened.empty()) << "only audio and nothing current";
}

TEST_F(PlaylistTest, RemovingAndClearing) {
    const struct {
        const char* name;
        int remove;
        int currentAfter;
        size_t sizeAfter;
    } cases[] = {
        {"before the current item", 0, 1, 2},
        {"the current item", 2, -1, 2},
        {"after it", 2, 1, 2},
        {"outside", 7, 2, 3},
    };
    for (const auto& c : cases) {
        ReplacePlaylist({u"a.mp4", u"b.mp4", u"c.mp4"});
        currentIndex = std::string(c.name) == "after it" ? 1 : 2;
        RemoveItem(c.remove);
        EXPECT_EQ(currentIndex, c.currentAfter) << c.name;
        EXPECT_EQ(playlist.size(), c.sizeAfter) << c.name;
    }
    ReplacePlaylist({u"a.mp4", u"b.mp4"});
    RemoveItem(0);
    EXPECT_EQ(AddItem(u"A.MP4"), 1) << "the duplicate index follows removals";
    ClearPlaylistItems();
    EXPECT_TRUE(playlist.empty());
    EXPECT_EQ(currentIndex, -1);
    StepItem(world.Host(), +1, RepeatMode::All);
    EXPECT_TRUE(world.opened.empty()) << "Next after clearing does nothing";
}

TEST_F(PlaylistTest, EndOfAnItem) {
    const struct {
        const char* name;
        Paths items;
        int current;
        RepeatMode repeat;
        bool session;
        std::vector<int> opened;
        int restarts;
        int holds;
    } cases[] = {
        {"session, next item", {u"a.mp4", u"b.mp4"}, 0, RepeatMode::Off, true, {1}, 0, 0},
        {"session, end of the list holds", {u"a.mp4", u"b.mp4"}, 1, RepeatMode::Off, true, {}, 0, 1},
        {"session, repeat one restarts in place", {u"a.mp4", u"b.mp4"}, 0, RepeatMode::One, true, {}, 1, 0},
        {"session, repeat all wraps", {u"a.mp4", u"b.mp4"}, 1, RepeatMode::All, true, {0}, 0, 0},
        {"session, repeat all with one item keeps playing", {u"a.mp4"}, 0, RepeatMode::All, true, {0}, 0, 0},
        {"mfplay, repeat one reopens", {u"a.mp4", u"b.mp4"}, 0, RepeatMode::One, false, {0}, 0, 0},
        {"mfplay, repeat one with nothing current steps",
         {u"a.mp4", u"b.mp4"},
         -1,
         RepeatMode::One,
         false,
         {0},
         0,
         0},
        {"mfplay, end of the list holds", {u"a.mp4", u"b.mp4"}, 1, RepeatMode::Off, false, {}, 0, 1},
        {"mfplay, end of the only audio item, repeat all",
         {u"a.mp3", u"b.mp4"},
         0,
         RepeatMode::All,
         false,
         {0},
         0,
         0},
    };
    for (const auto& c : cases) {
        ReplacePlaylist(c.items);
        currentIndex = c.current;
        world.opened.clear();
        world.restarts = world.holds = 0;
        AdvanceAtEnd(world.Host(), c.repeat, c.session);
        EXPECT_EQ(world.opened, c.opened) << c.name;
        EXPECT_EQ(world.restarts, c.restarts) << c.name;
        EXPECT_EQ(world.holds, c.holds) << c.name;
    }
}

TEST_F(PlaylistTest, ManyFilesEnterInOnePass) {
    std::vector<FolderEntry> entries;
    for (int i = 0; i < 20000; ++i) {
        const std::string name = "Clip " + std::to_string(i) + ".mp4";
        entries.push_back({std::u16string(name.begin(), name.end())});
    }
    world.Folder(u"D:\\big", entries);
    AddFolder(world.Host(), u"D:\\big");
    EXPECT_EQ(playlist.size(), 20000u);
    AddFolder(world.Host(), u"D:\\big");
    EXPECT_EQ(playlist.size(), 20000u) << "a second intake adds nothing";
}

} // namespace
