// The playlist against the real file system, shell functions, drops and files.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "i18n/i18n_win.h"
#include "playlist/path_rules.h"
#include "playlist/playlist_state.h"
#include "playlist/playlist_win.h"
#include "tests/wine/playback_fixture_win.h"
#include "tests/wine/test_support_win.h"

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MediaFoundationEnvironment);

// One table for the portable imitations and the shell's own functions.
const wchar_t* const kPaths[] = {
    L"C:\\v\\a.mp4",
    L"C:\\a.mp4",
    L"C:\\",
    L"C:",
    L"C:a.mp4",
    L"a.mp4",
    L"\\a.mp4",
    L"\\\\server\\share\\a.mp4",
    L"\\\\server\\share",
    L"\\\\server",
    L"C:\\v.d\\a",
    L"C:\\v\\a. mp4",
    L"C:\\v\\.mp4",
    L"C:/v/a.mkv",
    L"a.tar.gz",
    L"C:\\v\\",
    L"",
    L"..\\x.mp4",
    L"\\\\?\\C:\\a\\b.mp4",
    L"/unix/style.mp4",
    L"x:\\\uC74C\uC545.flac",
};

TEST(PathRules, AgreeWithTheShell) {
    for (const wchar_t* path : kPaths) {
        const std::u16string ours = U16(path);
        EXPECT_EQ(PathExtension(ours), U16(PathFindExtensionW(path))) << Utf8FromWide(path);
        EXPECT_EQ(IsRelativePath(ours), PathIsRelativeW(path) != FALSE) << Utf8FromWide(path);
        std::wstring shell(path);
        shell.push_back(L'\0');
        const bool shellRemoved = PathRemoveFileSpecW(shell.data()) != FALSE;
        bool removed = false;
        EXPECT_EQ(RemoveFileSpec(ours, removed), U16(shell.c_str())) << Utf8FromWide(path);
        EXPECT_EQ(removed, shellRemoved) << Utf8FromWide(path);
    }
}

// A path the extended form changes is one the system takes as it stands, so the prefix only
// lifts the length limit and never changes which file is meant.
TEST(PathRules, ExtendedFormOnlyForPathsTheSystemLeavesAlone) {
    std::vector<std::wstring> paths(std::begin(kPaths), std::end(kPaths));
    for (const wchar_t* path : {L"C:\\v\\..\\a.m3u", L"C:\\v\\.\\a.m3u", L"C:\\v\\\\a.m3u", L"C:\\v\\a.m3u.",
                                L"C:\\v\\a.m3u ", L"\\\\nas\\s\\..\\a.m3u", L"\\\\nas\\s\\a.m3u"})
        paths.push_back(path);
    int extended = 0;
    for (const auto& path : paths) {
        const std::u16string ours = ExtendedLengthPath(U16(path.c_str()));
        if (ours == U16(path.c_str()))
            continue;
        ++extended;
        wchar_t full[1024] = L"";
        ASSERT_GT(GetFullPathNameW(path.c_str(), ARRAYSIZE(full), full, nullptr), 0u)
            << Utf8FromWide(path.c_str());
        EXPECT_EQ(std::wstring(full), path) << Utf8FromWide(path.c_str());
    }
    EXPECT_GE(extended, 4) << "the table holds drive and network paths";
}

void Touch(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    CloseHandle(file);
}

class PlaylistFolderTest : public PlaybackTest {
  protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        ReplacePlaylist({});
    }
    TempFolder folder;
};

TEST_F(PlaylistFolderTest, LoneFileListsItsFolderInTheShellsNaturalOrder) {
    for (const wchar_t* name : {L"10.mp4", L"2.mp4", L"1.mp4", L"Clip b.MKV", L"clip A.mp4", L"notes.txt"})
        Touch(folder.File(name));
    Touch(folder.File(L"hidden.mp3"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryW(folder.File(L"sub.mp4").c_str(), nullptr);
    OpenPathsFromUser({U16(folder.File(L"2.mp4").c_str())});
    std::vector<std::u16string> expected;
    for (const wchar_t* name : {L"1.mp4", L"2.mp4", L"10.mp4", L"clip A.mp4", L"Clip b.MKV", L"hidden.mp3"})
        expected.push_back(U16(folder.File(name).c_str()));
    EXPECT_EQ(playlist, expected);
    EXPECT_EQ(currentIndex, 1);
    RemoveDirectoryW(folder.File(L"sub.mp4").c_str());
    SetFileAttributesW(folder.File(L"hidden.mp3").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PlaylistFolderTest, LoneFileInAnotherCaseOpensTheListedFile) {
    for (const wchar_t* name : {L"b.mp4", L"clip.mp4", L"\u00E9t\u00E9.mp4"})
        Touch(folder.File(name));
    const struct {
        const wchar_t* opened;
        const wchar_t* listed;
    } cases[] = {
        {L"CLIP.MP4", L"clip.mp4"},
        {L"Clip.mp4", L"clip.mp4"},
        {L"\u00C9T\u00C9.MP4", L"\u00E9t\u00E9.mp4"}, // the file system folds more than ASCII letters
    };
    for (const auto& c : cases) {
        ReplacePlaylist({});
        currentIndex = -1;
        OpenPathsFromUser({U16(folder.File(c.opened).c_str())});
        std::vector<std::u16string> expected;
        for (const wchar_t* name : {L"b.mp4", L"clip.mp4", L"\u00E9t\u00E9.mp4"})
            expected.push_back(U16(folder.File(name).c_str()));
        EXPECT_EQ(playlist, expected) << Utf8FromWide(c.opened);
        ASSERT_GE(currentIndex, 0) << Utf8FromWide(c.opened);
        EXPECT_EQ(playlist[static_cast<size_t>(currentIndex)], U16(folder.File(c.listed).c_str()))
            << Utf8FromWide(c.opened);
    }
}

// A drop handle as Explorer makes it: DROPFILES followed by the NUL-separated wide paths.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
    size_t units = 1;
    for (const auto& p : paths)
        units += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* text = reinterpret_cast<wchar_t*>(header + 1);
    for (const auto& p : paths) {
        wcscpy(text, p.c_str());
        text += p.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(PlaylistFolderTest, DroppedFolderAppendsWithoutInterrupting) {
    Touch(folder.File(L"a.mp4"));
    Touch(folder.File(L"b.webm"));
    playlist = {MediaPath(L"h264_aac.mp4")};
    OpenItem(0);
    const auto generation = engine.openGeneration;
    SendMessageW(ui.main, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({folder.Path()})), 0);
    EXPECT_EQ(playlist.size(), 3u);
    EXPECT_EQ(currentIndex, 0);
    EXPECT_EQ(engine.openGeneration, generation) << "nothing was opened";
}

TEST_F(PlaylistFolderTest, DroppedFilesOnThePictureAppendAndOpenTheFirst) {
    ReplacePlaylist({U16(folder.File(L"x.mp4").c_str())});
    currentIndex = 0;
    SendMessageW(ui.video, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({folder.File(L"p.mp4"), folder.File(L"q.mp3")})), 0);
    EXPECT_EQ(playlist.size(), 3u);
    EXPECT_EQ(currentIndex, 1);
}

TEST_F(PlaylistFolderTest, SavedPlaylistReadsBackAndOpensItsFirstEntry) {
    const std::vector<std::u16string> items = {MediaPath(L"h264_aac.mp4"), U16(L"D:\\\uC74C\uC545\\b.mp3")};
    ReplacePlaylist(items);
    const std::u16string file = U16(folder.File(L"list.m3u").c_str());
    ASSERT_TRUE(WriteM3u(file));
    const auto bytes = ReadWholeFile(Wide(file));
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes,
              "#EXTM3U\r\n" + Utf8FromWide(Wide(items[0])) + "\r\nD:\\\xEC\x9D\x8C\xEC\x95\x85\\b.mp3\r\n");
    ClearPlaylist();
    ASSERT_TRUE(AddPlaylistFile(file));
    EXPECT_EQ(playlist, items);
    EXPECT_EQ(currentIndex, 0) << "the first entry opens";
}

TEST_F(PlaylistFolderTest, FailedSaveLeavesTheOldFileAsItWas) {
    const std::wstring file = folder.File(L"old.m3u");
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(handle, "#EXTM3U\r\nold\r\n", 14, &written, nullptr);
    CloseHandle(handle);
    ReplacePlaylist({u"C:\\new.mp4"});
    // The new text cannot be written (its place beside the old file is taken by a folder).
    CreateDirectoryW((file + L".jk-saving").c_str(), nullptr);
    EXPECT_FALSE(WriteM3u(U16(file.c_str())));
    EXPECT_EQ(ReadWholeFile(file), "#EXTM3U\r\nold\r\n");
    RemoveDirectoryW((file + L".jk-saving").c_str());
    // A read-only target.
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(WriteM3u(U16(file.c_str())));
    EXPECT_EQ(ReadWholeFile(file), "#EXTM3U\r\nold\r\n");
    EXPECT_EQ(GetFileAttributesW((file + L".jk-saving").c_str()), INVALID_FILE_ATTRIBUTES) << "no leftovers";
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

struct ShownMessage {
    HWND owner;
    std::u16string text;
    std::u16string caption;
    UINT style;
};

std::vector<ShownMessage> shownMessages;

int RecordMessage(HWND owner, const std::u16string& text, const std::u16string& caption, UINT style) {
    shownMessages.push_back({owner, text, caption, style});
    return IDOK;
}

void WriteBytes(const std::wstring& path, const std::string& bytes,
                DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << Utf8FromWide(path.c_str());
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

constexpr DWORD kUserAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
const std::string kOldText = "#EXTM3U\r\nold\r\n";
// The playlist every save test writes, and its bytes on disk.
const std::vector<std::u16string> kNewItems = {u"C:\\new.mp4", u"D:\\\uC74C\uC545.mp3"};
const std::string kNewText = "#EXTM3U\r\nC:\\new.mp4\r\nD:\\\xEC\x9D\x8C\xEC\x95\x85.mp3\r\n";

// The playlist file commands, with their message boxes recorded instead of shown.
class PlaylistFileTest : public PlaylistFolderTest {
  protected:
    void SetUp() override {
        PlaylistFolderTest::SetUp();
        shownMessages.clear();
        showPlaylistMessage = RecordMessage;
        missesBefore_ = I18nMissCount();
    }
    void TearDown() override {
        showPlaylistMessage = realMessage_;
        for (const auto& path : cleanUp_) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
        PlaylistFolderTest::TearDown();
    }
    // A file the folder's own clean-up could not delete because of its attributes.
    std::wstring Kept(const wchar_t* name) {
        cleanUp_.push_back(folder.File(name));
        return cleanUp_.back();
    }
    // Exactly one message box since the last check: the catalog's text for key, with the product
    // as caption, owned by the main window.
    void ExpectOneMessage(const wchar_t* key, UINT icon, const char* where) {
        ASSERT_EQ(shownMessages.size(), 1u) << where;
        EXPECT_EQ(shownMessages[0].text, U16(I18nText(key))) << where;
        EXPECT_EQ(shownMessages[0].caption, U16(I18nText(L"Jaskel Player"))) << where;
        EXPECT_EQ(shownMessages[0].style, icon) << where;
        EXPECT_EQ(shownMessages[0].owner, main_) << where;
        EXPECT_EQ(I18nMissCount(), missesBefore_) << where << ": the catalog has the text";
        shownMessages.clear();
    }

  private:
    decltype(showPlaylistMessage) realMessage_ = showPlaylistMessage;
    std::vector<std::wstring> cleanUp_;
    long missesBefore_ = 0;
};

TEST_F(PlaylistFileTest, SaveOverAnExistingPlaylistKeepsItsAttributes) {
    const struct {
        const char* name;
        DWORD attributes;
        bool saved;
    } cases[] = {
        {"plain", FILE_ATTRIBUTE_NORMAL, true},
        {"hidden", FILE_ATTRIBUTE_HIDDEN, true},
        {"read-only", FILE_ATTRIBUTE_READONLY, false},
        {"hidden and read-only", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, false},
    };
    const std::wstring file = Kept(L"list.m3u");
    ReplacePlaylist(kNewItems);
    for (const auto& c : cases) {
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteBytes(file, kOldText);
        ASSERT_TRUE(SetFileAttributesW(file.c_str(), c.attributes)) << c.name;
        const DWORD before = GetFileAttributesW(file.c_str()) & kUserAttributes;
        SavePlaylistAs(U16(file.c_str()));
        EXPECT_EQ(ReadWholeFile(file), c.saved ? kNewText : kOldText) << c.name;
        EXPECT_EQ(GetFileAttributesW(file.c_str()) & kUserAttributes, before) << c.name;
        for (const wchar_t* side : {L".jk-saving", L".jk-old"})
            EXPECT_EQ(GetFileAttributesW((file + side).c_str()), INVALID_FILE_ATTRIBUTES) << c.name;
        if (c.saved)
            EXPECT_TRUE(shownMessages.empty()) << c.name;
        else
            ExpectOneMessage(L"재생 목록을 저장하지 못했습니다.", MB_ICONWARNING, c.name);
    }
}

TEST_F(PlaylistFileTest, FilesLeftByAnEarlierSaveAreOverwrittenAndGone) {
    const DWORD hiddenReadOnly = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
    const struct {
        const char* name;
        const wchar_t* leftover;
        DWORD attributes;
        bool listExists;
    } cases[] = {
        {"new text, plain, new list", L"list.m3u.jk-saving", FILE_ATTRIBUTE_NORMAL, false},
        {"new text, hidden and read-only, new list", L"list.m3u.jk-saving", hiddenReadOnly, false},
        {"new text, hidden and read-only, existing list", L"list.m3u.jk-saving", hiddenReadOnly, true},
        {"new text, read-only and system, existing list", L"list.m3u.jk-saving",
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM, true},
        {"old text, hidden and read-only, existing list", L"list.m3u.jk-old", hiddenReadOnly, true},
        {"old text, hidden and read-only, new list", L"list.m3u.jk-old", hiddenReadOnly, false},
    };
    const std::wstring file = Kept(L"list.m3u");
    ReplacePlaylist(kNewItems);
    for (const auto& c : cases) {
        const std::wstring leftover = Kept(c.leftover);
        DeleteFileW(file.c_str());
        if (c.listExists)
            WriteBytes(file, kOldText);
        WriteBytes(leftover, "#EXTM3U\r\nleft by a crash, longer than the new text will be\r\n",
                   c.attributes);
        ASSERT_EQ(GetFileAttributesW(leftover.c_str()) & kUserAttributes, c.attributes & kUserAttributes)
            << c.name;
        EXPECT_TRUE(WriteM3u(U16(file.c_str()))) << c.name;
        EXPECT_EQ(ReadWholeFile(file), kNewText) << c.name;
        EXPECT_EQ(GetFileAttributesW(leftover.c_str()), INVALID_FILE_ATTRIBUTES) << c.name;
    }
}

// Folders nested below base until their full path passes MAX_PATH; removed with their files.
class LongFolder {
  public:
    explicit LongFolder(const std::wstring& base) : path_(base) {
        for (wchar_t letter : {L'a', L'b', L'c'}) {
            path_ += L"\\" + std::wstring(100, letter);
            CreateDirectoryW(Extended(path_).c_str(), nullptr);
            levels_.push_back(path_);
        }
    }
    ~LongFolder() {
        for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {
            WIN32_FIND_DATAW found;
            HANDLE search = FindFirstFileW(Extended(*level + L"\\*").c_str(), &found);
            for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
                DeleteFileW(Extended(*level + L"\\" + found.cFileName).c_str());
            FindClose(search);
            RemoveDirectoryW(Extended(*level).c_str());
        }
    }
    const std::wstring& Path() const { return path_; }
    static std::wstring Extended(const std::wstring& path) { return L"\\\\?\\" + path; }

  private:
    std::wstring path_;
    std::vector<std::wstring> levels_;
};

TEST_F(PlaylistFileTest, SaveIntoAFolderBeyondMaxPath) {
    LongFolder deep(folder.Path());
    const std::wstring file = deep.Path() + L"\\list.m3u";
    ASSERT_GT(file.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_NE(GetFileAttributesW(LongFolder::Extended(deep.Path()).c_str()), INVALID_FILE_ATTRIBUTES);
    ReplacePlaylist(kNewItems);
    SavePlaylistAs(U16(file.c_str()));
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_EQ(ReadWholeFile(LongFolder::Extended(file)), kNewText);
    ReplacePlaylist({u"C:\\older.mp4"});
    SavePlaylistAs(U16(file.c_str()));
    EXPECT_TRUE(shownMessages.empty()) << "saved again over the first";
    ClearPlaylist();
    ASSERT_TRUE(AddPlaylistFile(U16(file.c_str()))) << "and read back from there";
    EXPECT_EQ(playlist, (std::vector<std::u16string>{u"C:\\older.mp4"}));
}

TEST_F(PlaylistFileTest, FailedSaveLeavesNothingAndTellsTheUser) {
    ReplacePlaylist(kNewItems);
    SavePlaylistAs(U16(folder.File(L"missing\\list.m3u").c_str()));
    ExpectOneMessage(L"재생 목록을 저장하지 못했습니다.", MB_ICONWARNING, "folder does not exist");

    // The old file is held open by a program that does not let it be replaced.
    const std::wstring file = folder.File(L"held.m3u");
    WriteBytes(file, kOldText);
    HANDLE held =
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SavePlaylistAs(U16(file.c_str()));
    CloseHandle(held);
    ExpectOneMessage(L"재생 목록을 저장하지 못했습니다.", MB_ICONWARNING, "old file held open");
    EXPECT_EQ(ReadWholeFile(file), kOldText);

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(folder.File(L"*").c_str(), &found);
    std::vector<std::wstring> names;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            names.push_back(found.cFileName);
    }
    FindClose(search);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"held.m3u"})) << "no temporary file stays behind";
}

TEST_F(PlaylistFileTest, EmptyListHasNothingToSave) {
    SavePlaylistFile();
    ExpectOneMessage(L"저장할 항목이 없습니다.", MB_ICONINFORMATION, "empty list");
}

TEST_F(PlaylistFileTest, MissingOrOversizedPlaylistAddsNothing) {
    EXPECT_FALSE(AddPlaylistFile(U16(folder.File(L"absent.m3u").c_str())));
    EXPECT_TRUE(shownMessages.empty()) << "a missing file stays silent";
    const std::wstring big = folder.File(L"big.m3u");
    HANDLE handle = CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 64LL * 1024 * 1024 + 1;
    SetFilePointerEx(handle, size, nullptr, FILE_BEGIN);
    SetEndOfFile(handle);
    CloseHandle(handle);
    EXPECT_FALSE(AddPlaylistFile(U16(big.c_str())));
    EXPECT_TRUE(playlist.empty());
    ExpectOneMessage(L"이 재생 목록 파일은 너무 커서 열 수 없습니다.", MB_ICONWARNING,
                     "file above the limit");
}

} // namespace
