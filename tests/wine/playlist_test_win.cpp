// The playlist against the real file system, shell functions, drops and files.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "playlist/path_rules.h"
#include "playlist/playlist_state.h"
#include "playlist/playlist_win.h"
#include "tests/wine/playback_fixture_win.h"
#include "tests/wine/test_support_win.h"

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MediaFoundationEnvironment);

// One table for the portable imitations and the shell's own functions.
const wchar_t* const kPaths[] = {
    L"C:\\v\\a.mp4", L"C:\\a.mp4", L"C:\\", L"C:", L"C:a.mp4", L"a.mp4", L"\\a.mp4", L"\\\\server\\share\\a.mp4",
    L"\\\\server\\share", L"\\\\server", L"C:\\v.d\\a", L"C:\\v\\a. mp4", L"C:\\v\\.mp4", L"C:/v/a.mkv",
    L"a.tar.gz", L"C:\\v\\", L"", L"..\\x.mp4", L"\\\\?\\C:\\a\\b.mp4", L"/unix/style.mp4", L"x:\\\uC74C\uC545.flac",
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
    EXPECT_EQ(*bytes, "#EXTM3U\r\n" + Utf8FromWide(Wide(items[0])) + "\r\nD:\\\xEC\x9D\x8C\xEC\x95\x85\\b.mp3\r\n");
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

TEST_F(PlaylistFolderTest, MissingOrOversizedPlaylistAddsNothing) {
    EXPECT_FALSE(AddPlaylistFile(U16(folder.File(L"absent.m3u").c_str())));
    const std::wstring big = folder.File(L"big.m3u");
    HANDLE handle = CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 64LL * 1024 * 1024 + 1;
    SetFilePointerEx(handle, size, nullptr, FILE_BEGIN);
    SetEndOfFile(handle);
    CloseHandle(handle);
    EXPECT_FALSE(AddPlaylistFile(U16(big.c_str())));
    EXPECT_TRUE(playlist.empty());
}

} // namespace
