// The main window's own frame in a real window: no system caption, hit tests, the painted title
// bar with the item's name and glyphs, caption buttons on the press, the minimum size, the
// compact music window, and the music view's paint.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "playlist/playlist_state.h"
#include "tests/wine/main_window_fixture_win.h"
#include "tests/wine/test_support_win.h"
#include "ui/frame_geometry.h"
#include "ui/frame_win.h"
#include "ui/music_view.h"
#include "ui/playback_info_win.h"

namespace {

constexpr COLORREF kTitleBar = RGB(13, 14, 20);

class FrameTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        shell.isFullscreen = false;
        shell.controlsShown = true;
        shell.compactMusicMode = false;
        MainWindowFixture::SetUp();
        SetWindowPos(main_, HWND_TOP, 60, 40, 1000, 660, SWP_SHOWWINDOW);
        SetForegroundWindow(main_);
    }
    void TearDown() override {
        if (shell.isFullscreen)
            ToggleFullscreen();
        playlist.clear();
        currentIndex = -1;
        shell.compactMusicMode = false;
        MainWindowFixture::TearDown();
    }
    void ShowItem(const char16_t* path, bool video) {
        playlist = {path};
        currentIndex = 0;
        engine.hasVideo = video;
        UpdateWindowTitle();
    }
    void PaintNow(HWND window) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpMessagesFor(50);
    }
    SIZE Client() const {
        RECT r{};
        GetClientRect(main_, &r);
        return {r.right, r.bottom};
    }
    RECT WindowRect() const {
        RECT r{};
        GetWindowRect(main_, &r);
        return r;
    }
    LRESULT HitAt(int clientX, int clientY) const {
        POINT p{clientX, clientY};
        ClientToScreen(main_, &p);
        return SendMessageW(main_, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    }
};

bool Bright(COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) > 150 && GetBValue(c) > 150; }

// Whether any pixel of the box differs from the background colour.
bool AnyInk(const ClientPicture& picture, const RECT& box, COLORREF background) {
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            if (picture.At(x, y) != background)
                return true;
    return false;
}

TEST_F(FrameTest, ClientReachesTheTopAndTheSystemKeepsTheOtherEdges) {
    POINT origin{0, 0};
    ClientToScreen(main_, &origin);
    const RECT frame = WindowRect();
    EXPECT_EQ(origin.y, frame.top);
    EXPECT_GT(origin.x, frame.left);
    EXPECT_LT(origin.y + Client().cy, frame.bottom);
    const int w = Client().cx;
    EXPECT_EQ(HitAt(400, 20), HTCAPTION);
    EXPECT_EQ(HitAt(w - 10, 10), HTCLIENT);  // close
    EXPECT_EQ(HitAt(w - 120, 30), HTCLIENT); // minimise
    EXPECT_EQ(HitAt(400, 2), HTTOP);
    EXPECT_EQ(HitAt(2, 2), HTTOPLEFT);
    EXPECT_EQ(HitAt(w - 2, 2), HTTOPRIGHT);
    EXPECT_EQ(HitAt(400, 300), HTCLIENT);
    EXPECT_EQ(HitAt(-2, 300), HTLEFT);
    EXPECT_EQ(HitAt(400, Client().cy + 2), HTBOTTOM);
}

TEST_F(FrameTest, TitleBarNamesTheItemAndDrawsItsGlyphs) {
    PaintNow(main_);
    const int w = Client().cx;
    const RECT nameBox{226, 8, w - 150, 28};
    {
        ClientPicture empty(main_);
        EXPECT_EQ(empty.At(600, 2), kTitleBar);
        EXPECT_TRUE(AnyInk(empty, RECT{14, 8, 220, 28}, kTitleBar)) << "program name";
        EXPECT_FALSE(AnyInk(empty, nameBox, kTitleBar)) << "no item, no name";
    }
    ShowItem(u"C:\\nowhere\\Holiday clip.mp4", true);
    PaintNow(main_);
    ClientPicture picture(main_);
    EXPECT_TRUE(AnyInk(picture, nameBox, kTitleBar));
    const int minX = w - 115, maxX = w - 69, closeX = w - 23;
    EXPECT_EQ(picture.At(minX, 18), RGB(205, 210, 216));
    EXPECT_EQ(picture.At(minX, 24), kTitleBar);
    EXPECT_EQ(picture.At(maxX - 6, 18), RGB(205, 210, 216)); // one hollow square
    EXPECT_EQ(picture.At(maxX, 18), kTitleBar);
    EXPECT_EQ(picture.At(maxX + 3, 19), kTitleBar);
    EXPECT_TRUE(Bright(picture.At(closeX - 3, 15)));
    EXPECT_TRUE(Bright(picture.At(closeX + 3, 15)));
    EXPECT_EQ(picture.At(closeX, 30), kTitleBar);
    wchar_t text[256] = {};
    GetWindowTextW(main_, text, 256);
    EXPECT_STREQ(text, L"Holiday clip.mp4 - Jaskel Player");
}

TEST_F(FrameTest, MaximisedGlyphShowsTwoSquares) {
    ShowWindow(main_, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(main_));
    PaintNow(main_);
    const int maxX = Client().cx - 69;
    ClientPicture picture(main_);
    EXPECT_EQ(picture.At(maxX + 3, 19), RGB(205, 210, 216)); // the front square's lower edge
    EXPECT_EQ(picture.At(maxX + 5, 22), RGB(205, 210, 216)); // the back square's right edge
    EXPECT_EQ(HitAt(400, 2), HTCAPTION) << "no top resize band while maximised";
}

TEST_F(FrameTest, CaptionButtonsActOnThePress) {
    const int w = Client().cx;
    SendMessageW(main_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(w - 69, 18));
    EXPECT_TRUE(IsZoomed(main_));
    const int zoomedWidth = Client().cx;
    SendMessageW(main_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(zoomedWidth - 69, 18));
    EXPECT_FALSE(IsZoomed(main_));
    SendMessageW(main_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(w - 115, 18));
    EXPECT_TRUE(IsIconic(main_));
    ShowWindow(main_, SW_RESTORE);
    SendMessageW(main_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(w - 150, 18)); // beside the buttons
    EXPECT_FALSE(IsIconic(main_));
    EXPECT_FALSE(IsZoomed(main_));
    SendMessageW(main_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(w - 10, 18));
    EXPECT_TRUE(IsWindow(main_)) << "close is posted, not sent";
    PumpMessagesFor(100);
    EXPECT_FALSE(IsWindow(main_));
}

TEST_F(FrameTest, MinimumClientSizeHolds) {
    SetWindowPos(main_, nullptr, 0, 0, 40, 30, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_GE(Client().cx, kMinClientWidth);
    EXPECT_GE(Client().cy, kMinClientHeight);
}

TEST_F(FrameTest, AudioShrinksTheWindowAndVideoRestoresIt) {
    const RECT before = WindowRect();
    ShowItem(u"C:\\nowhere\\song.mp3", false);
    UpdateCompactSize();
    EXPECT_TRUE(shell.compactMusicMode);
    EXPECT_EQ(Client().cx, 560);
    EXPECT_EQ(Client().cy, 186);
    EXPECT_EQ(WindowRect().left, before.left);
    EXPECT_EQ(WindowRect().top, before.top);
    TogglePlaylistPanel();
    EXPECT_EQ(Client().cx, 860);
    EXPECT_EQ(Client().cy, 186);
    TogglePlaylistPanel();
    EXPECT_EQ(Client().cx, 560);
    engine.hasVideo = true;
    UpdateCompactSize();
    EXPECT_FALSE(shell.compactMusicMode);
    const RECT after = WindowRect();
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
}

TEST_F(FrameTest, MaximisedOrFullscreenMusicKeepsTheSize) {
    ShowWindow(main_, SW_MAXIMIZE);
    const SIZE zoomed = Client();
    ShowItem(u"C:\\nowhere\\song.mp3", false);
    UpdateCompactSize();
    EXPECT_TRUE(shell.compactMusicMode);
    EXPECT_EQ(Client().cx, zoomed.cx);
    ShowWindow(main_, SW_RESTORE);
    shell.compactMusicMode = false;

    // In fullscreen nothing changes; leaving it takes the compact size.
    ToggleFullscreen();
    ASSERT_TRUE(shell.isFullscreen);
    UpdateCompactSize();
    EXPECT_FALSE(shell.compactMusicMode);
    ToggleFullscreen();
    EXPECT_TRUE(shell.compactMusicMode);
    EXPECT_EQ(Client().cx, 560);
    EXPECT_EQ(Client().cy, 186);
}

TEST_F(FrameTest, CompactMusicViewPaintsArtworkNoteAndTwoLines) {
    ShowItem(u"C:\\nowhere\\song.mp3", false);
    UpdateCompactSize();
    LayoutChildren(main_);
    ASSERT_TRUE(IsWindowVisible(ui.music));
    RECT view{};
    GetClientRect(ui.music, &view);
    ASSERT_EQ(view.right, 560);
    ASSERT_EQ(view.bottom, 84);
    PaintNow(ui.music);
    ClientPicture picture(ui.music);
    EXPECT_EQ(picture.At(5, 5), RGB(10, 10, 14));
    EXPECT_EQ(picture.At(5, 80), RGB(23, 23, 27));
    const COLORREF artwork = picture.At(20, 16); // near the top of the gradient square
    EXPECT_EQ(GetBValue(artwork), 255);
    EXPECT_GT(GetGValue(artwork), 150);
    EXPECT_EQ(picture.At(36, 40), RGB(255, 255, 255)); // the left stem of the note
    EXPECT_TRUE(AnyInk(picture, RECT{88, 14, 548, 38}, picture.At(87, 20))) << "name line";
    EXPECT_TRUE(AnyInk(picture, RECT{88, 40, 548, 62}, picture.At(87, 50))) << "time line";
}

TEST_F(FrameTest, LargeMusicViewPaintsTheBadgeAndNothingWhenTiny) {
    ShowItem(u"C:\\nowhere\\song.flac", false);
    LayoutChildren(main_);
    PaintNow(ui.music);
    RECT view{};
    GetClientRect(ui.music, &view);
    MusicViewInput in;
    in.width = view.right;
    in.height = view.bottom;
    in.extensionLabel = u"FLAC";
    const MusicViewLayout layout = ComputeMusicViewLayout(in);
    ASSERT_TRUE(layout.hasBadge);
    ClientPicture picture(ui.music);
    EXPECT_EQ(picture.At(layout.badge.box.left + 2, layout.badge.box.top + 2), RGB(46, 52, 64));
    const int cx = (layout.artwork.left + layout.artwork.right) / 2;
    EXPECT_EQ(GetBValue(picture.At(cx, layout.artwork.top + 3)), 255);
    EXPECT_TRUE(AnyInk(picture, RECT{layout.texts[0].box.left, layout.texts[0].box.top, layout.texts[0].box.right,
                                     layout.texts[0].box.bottom},
                       picture.At(layout.texts[0].box.left - 2, layout.texts[0].box.top + 2)));

    // A view under 40 pixels high paints nothing over what was there.
    MoveWindow(ui.music, 0, 36, 300, 30, FALSE);
    HDC dc = GetDC(ui.music);
    RECT all{0, 0, 300, 30};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PaintMusicView(ui.music, dc);
    EXPECT_EQ(GetPixel(dc, 150, 15), RGB(255, 255, 255));
    ReleaseDC(ui.music, dc);
}

TEST_F(FrameTest, PaintingTheTitleBarAndMusicViewLeaksNoGdiObject) {
    ShowItem(u"C:\\nowhere\\song.mp3", false);
    LayoutChildren(main_);
    // Wine keeps a few objects of its own on the first uses of a font size; warm those up first.
    // A leak in a paint grows by at least one object per paint, so 30 paints show it.
    for (int i = 0; i < 5; ++i)
        PaintNow(main_);
    const long before = GdiObjectLevel();
    for (int i = 0; i < 30; ++i)
        PaintNow(main_);
    EXPECT_LE(GdiObjectLevel(), before + 3);
}

} // namespace
