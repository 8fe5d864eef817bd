// The playlist panel in a real main window: clicks open items, headers ignore clicks, the wheel
// scrolls within the rows, dropped files join the list, and the paint shows its colours.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "playlist/playlist_state.h"
#include "tests/wine/main_window_fixture_win.h"
#include "tests/wine/test_support_win.h"
#include "ui/panel_rows.h"

namespace {

// Paths that need not exist: opening a missing file still makes it current.
const std::vector<std::u16string> kItems = {u"C:\\nowhere\\a.mp4", u"C:\\nowhere\\b.mp3", u"C:\\nowhere\\c.mkv"};

class PanelTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ResetPanelScroll();
        shell.playlistVisible = true;
        LayoutChildren(main_);
        ASSERT_NE(ui.panel, nullptr);
        ASSERT_TRUE(IsWindowVisible(ui.panel));
    }
    void TearDown() override {
        playlist.clear();
        currentIndex = -1;
        ResetPanelScroll();
        MainWindowFixture::TearDown();
    }
    void Click(int y) { SendMessageW(ui.panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, y)); }
    void Wheel(int delta) {
        SendMessageW(ui.panel, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))), 0);
    }
};

TEST_F(PanelTest, ClickOpensTheItemUnderItAndNothingElse) {
    // Nothing current: videos first. Rows: Videos, a, c, Music, b.
    struct Case {
        int y;
        int opened; // -1: nothing opens
    };
    const Case cases[] = {{5, -1}, {33, -1}, {40, -1}, {70, 0}, {100, 2}, {130, -1}, {170, 1}, {200, -1}, {400, -1}};
    for (const auto& c : cases) {
        playlist = kItems;
        currentIndex = -1;
        const auto generation = engine.openGeneration;
        Click(c.y);
        EXPECT_EQ(currentIndex, c.opened) << "y " << c.y;
        EXPECT_EQ(engine.openGeneration != generation, c.opened >= 0) << "y " << c.y;
    }
}

TEST_F(PanelTest, ClickOnTheCurrentItemOpensItAgain) {
    playlist = kItems;
    currentIndex = -1;
    Click(70);
    ASSERT_EQ(currentIndex, 0);
    const auto generation = engine.openGeneration;
    Click(70);
    EXPECT_EQ(currentIndex, 0);
    EXPECT_NE(engine.openGeneration, generation) << "it restarts";
}

TEST_F(PanelTest, AudioCurrentPutsMusicFirst) {
    playlist = kItems;
    currentIndex = 1; // Rows: Music, b, Videos, a, c.
    Click(70);
    EXPECT_EQ(currentIndex, 1);
    Click(130);
    EXPECT_EQ(currentIndex, 0) << "a is now under the videos header";
}

TEST_F(PanelTest, WheelScrollsOneRowPerMessageAndClamps) {
    playlist = kItems; // five rows
    struct Step {
        int delta;
        int scroll;
    };
    const Step steps[] = {{-120, 1}, {-360, 2}, {0, 3}, {-120, 4}, {-120, 4}, {-1, 4},
                          {120, 3},  {240, 2},  {1, 1}, {120, 0},  {120, 0}};
    for (const auto& s : steps) {
        Wheel(s.delta);
        EXPECT_EQ(panelScroll, s.scroll) << "delta " << s.delta;
    }
    Wheel(-120);
    Wheel(-120);
    ASSERT_EQ(panelScroll, 2);
    currentIndex = -1;
    Click(40); // the top row is now c
    EXPECT_EQ(currentIndex, 2);
}

TEST_F(PanelTest, WheelOnAnEmptyListStaysAtTheTop) {
    Wheel(-120);
    EXPECT_EQ(panelScroll, 0);
}

void TouchFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

// A shell drop of the given paths, as Explorer hands it over.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const auto& path : paths)
        list += path + L'\0';
    list += L'\0';
    const size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (!memory)
        return nullptr;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(PanelTest, DroppedFilesJoinTheList) {
    TempFolder folder;
    const std::vector<std::wstring> files = {folder.File(L"one.mp3"), folder.File(L"two.mp4")};
    for (const auto& file : files)
        TouchFile(file);
    HDROP drop = MakeDrop(files);
    ASSERT_NE(drop, nullptr);
    SendMessageW(ui.panel, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    ASSERT_EQ(playlist.size(), 2u);
    EXPECT_EQ(playlist[0], U16(files[0].c_str()));
    EXPECT_EQ(playlist[1], U16(files[1].c_str()));
    playlist.clear();
    currentIndex = -1;
    PumpMessagesFor(100);
}

TEST_F(PanelTest, PaintShowsTheBandTheCurrentRowAndTheBackground) {
    playlist = kItems;
    currentIndex = 0; // Rows: Videos, a (current), c, Music, b.
    InvalidateRect(ui.panel, nullptr, FALSE);
    UpdateWindow(ui.panel);
    PumpMessagesFor(150);
    const ClientPicture picture(ui.panel);
    struct Case {
        int x;
        int y;
        COLORREF colour;
        const char* what;
    };
    const Case cases[] = {
        {2, 2, RGB(20, 24, 32), "header band"},
        {2, 66, RGB(24, 52, 82), "current row"},
        {2, 96, RGB(16, 19, 25), "another item row"},
        {2, 300, RGB(16, 19, 25), "below the last row"},
        {296, 90, RGB(24, 52, 82), "current row, right edge"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(picture.At(c.x, c.y), c.colour) << c.what;
}

} // namespace
