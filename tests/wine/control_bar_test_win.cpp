// The control bar painted by a real main window in the test process, read back from the screen,
// and its zones driven by real mouse messages.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "tests/wine/main_window_fixture_win.h"
#include "tests/wine/test_support_win.h"
#include "ui/commands_win.h"
#include "ui/control_bar.h"
#include "ui/control_bar_win.h"
#include "ui/shell_state.h"
#include "ui/transport_state.h"
#include "ui/transport_win.h"

namespace {

constexpr COLORREF kBar = RGB(13, 14, 20);
constexpr COLORREF kAccent = RGB(38, 160, 255);
constexpr COLORREF kGradientTop = RGB(0, 208, 255);
constexpr COLORREF kTrack = RGB(56, 58, 68);
constexpr COLORREF kLoop = RGB(255, 140, 40);
constexpr COLORREF kLoopRange = RGB(120, 78, 40);
constexpr COLORREF kGlyph = RGB(220, 230, 245);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBoost = RGB(232, 152, 42);
constexpr COLORREF kKnee = RGB(150, 156, 162);

std::string Rgb(COLORREF c) {
    char text[32];
    std::snprintf(text, sizeof text, "(%d,%d,%d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

std::string RgbAt(const ClientPicture& picture, int x, int y) { return Rgb(picture.At(x, y)); }

// Whether any pixel of the rectangle has the colour.
bool Any(const ClientPicture& picture, const BarRect& r, COLORREF colour) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (picture.At(x, y) == colour)
                return true;
    return false;
}

class ControlBarTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        transport = TransportState{};
        shell.mouseMode = 0;
        shell.dragTarget = -1;
        shell.hoverControl = -1;
        shell.tooltipControl = -1;
        shell.isFullscreen = false;
        shell.controlsShown = true;
        speedMenuClosedTick = 0;
        if (ui.osd)
            ShowWindow(ui.osd, SW_HIDE);
    }

    void TearDown() override {
        if (GetCapture())
            ReleaseCapture();
        shell.mouseMode = 0;
        shell.dragTarget = -1;
        transport = TransportState{};
        MainWindowFixture::TearDown();
    }

    ControlBarLayout Layout() const {
        RECT client;
        GetClientRect(main_, &client);
        return ComputeControlBarLayout(client.right, client.bottom);
    }

    void PaintNow() const { RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

    void Send(UINT message, int x, int y) const {
        SendMessageW(main_, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
    }
};

TEST_F(ControlBarTest, TheWindowIsWideEnoughForEveryZone) {
    const ControlBarLayout l = Layout();
    for (int zone = 0; zone < kControlZoneCount; ++zone)
        ASSERT_FALSE(ZoneRect(l, zone).Empty()) << "zone " << zone;
}

TEST_F(ControlBarTest, BackgroundAndPlayButtonGradient) {
    const ControlBarLayout l = Layout();
    const int cx = l.playButton.CentreX(), cy = l.playButton.CentreY();
    const struct {
        bool paused;
        COLORREF centre;
        COLORREF leftBar;
    } cases[] = {{false, kAccent, kWhite}, {true, kWhite, kWhite}};
    for (const auto& c : cases) {
        engine.paused = c.paused;
        PaintNow();
        const ClientPicture picture(main_);
        const int bottom = l.playButton.bottom;
        // Between the left buttons and the transport group, and the top row's corner.
        EXPECT_EQ(picture.At(l.abButton.right + 4, bottom - 3), kBar)
            << RgbAt(picture, l.abButton.right + 4, bottom - 3);
        EXPECT_EQ(picture.At(l.seekBar.right + 2, bottom - 64), kBar);
        EXPECT_EQ(picture.At(cx, cy - 17), kGradientTop) << RgbAt(picture, cx, cy - 17);
        EXPECT_EQ(picture.At(cx, cy + 16), kAccent) << RgbAt(picture, cx, cy + 16);
        EXPECT_EQ(picture.At(cx, cy - 18), kBar) << "above the round button";
        // Paused: the triangle covers the centre; playing: two bars leave it free.
        EXPECT_EQ(picture.At(cx - 4, cy), kWhite) << "paused=" << c.paused;
        EXPECT_EQ(picture.At(cx, cy) == kWhite, c.paused) << RgbAt(picture, cx, cy) << " paused=" << c.paused;
    }
}

TEST_F(ControlBarTest, SeekDragShowsThePlayedPartThumbAndLoop) {
    engine.durationSec = 200;
    transport.loopStart = 100;
    transport.loopEnd = 160;
    const ControlBarLayout l = Layout();
    const BarRect bar = l.seekBar;
    const int w = bar.right - bar.left, c = (bar.top + bar.bottom) / 2;
    const int pressX = bar.left + w / 8;
    Send(WM_LBUTTONDOWN, pressX, c + 10); // within the grown seek area
    ASSERT_EQ(shell.mouseMode, 1);
    const double fraction = static_cast<double>(pressX - bar.left) / w;
    EXPECT_DOUBLE_EQ(shell.dragTarget, fraction);

    PaintNow();
    const ClientPicture picture(main_);
    const double shown = fraction * 200;
    const int r = bar.left + static_cast<int>(shown / 200 * w);
    const int xA = bar.left + static_cast<int>(100.0 / 200 * w),
              xB = bar.left + static_cast<int>(160.0 / 200 * w);
    EXPECT_EQ(picture.At(bar.left + 1, c), kAccent) << RgbAt(picture, bar.left + 1, c);
    EXPECT_EQ(picture.At(r - 10, c), kAccent) << RgbAt(picture, r - 10, c);
    EXPECT_EQ(picture.At(r, c), kWhite) << "thumb " << RgbAt(picture, r, c);
    EXPECT_EQ(picture.At(r + 10, c), kTrack) << RgbAt(picture, r + 10, c);
    EXPECT_EQ(picture.At((xA + xB) / 2, c), kLoopRange) << RgbAt(picture, (xA + xB) / 2, c);
    EXPECT_EQ(picture.At(xA - 5, c), kTrack) << "the range starts at A";
    EXPECT_EQ(picture.At(xB + 5, c), kTrack) << "the range ends at B";
    for (int x : {xA, xB}) {
        EXPECT_EQ(picture.At(x, bar.top - 3), kLoop) << RgbAt(picture, x, bar.top - 3);
        EXPECT_EQ(picture.At(x, bar.bottom + 3), kLoop) << RgbAt(picture, x, bar.bottom + 3);
    }
    EXPECT_EQ(picture.At((xA + xB) / 2, bar.top - 3), kBar) << "no marker between A and B";

    Send(WM_LBUTTONUP, pressX, c);
    EXPECT_EQ(shell.mouseMode, 0);
}

TEST_F(ControlBarTest, MovingTheDragMovesThePlayedPart) {
    engine.durationSec = 90;
    const BarRect bar = Layout().seekBar;
    const int w = bar.right - bar.left, c = (bar.top + bar.bottom) / 2;
    Send(WM_LBUTTONDOWN, bar.left + w / 10, c);
    Send(WM_MOUSEMOVE, bar.left + w * 3 / 4, c - 40); // far above: only x counts
    const double fraction = static_cast<double>(w * 3 / 4) / w;
    EXPECT_DOUBLE_EQ(shell.dragTarget, fraction);
    PaintNow();
    const ClientPicture picture(main_);
    const int r = bar.left + static_cast<int>(fraction * w);
    EXPECT_EQ(picture.At(r - 10, c), kAccent) << RgbAt(picture, r - 10, c);
    EXPECT_EQ(picture.At(r + 10, c), kTrack) << RgbAt(picture, r + 10, c);
    Send(WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(shell.mouseMode, 0);
    EXPECT_EQ(shell.dragTarget, -1);
}

TEST_F(ControlBarTest, UnknownDurationShowsOnlyTheTrack) {
    engine.durationSec = -1;
    transport.loopStart = 10;
    transport.loopEnd = 20;
    const BarRect bar = Layout().seekBar;
    const int w = bar.right - bar.left, c = (bar.top + bar.bottom) / 2;
    Send(WM_LBUTTONDOWN, bar.left + w / 2, c);
    PaintNow();
    const ClientPicture picture(main_);
    for (int x : {bar.left + 1, bar.left + w / 2, bar.right - 2})
        EXPECT_EQ(picture.At(x, c), kTrack) << x << " " << RgbAt(picture, x, c);
    EXPECT_FALSE(Any(picture, {bar.left, bar.top - 5, bar.right, bar.top}, kLoop)) << "no markers";
    EXPECT_FALSE(Any(picture, {bar.left, bar.top - 7, bar.right, bar.bottom + 7}, kWhite)) << "no thumb";
}

TEST_F(ControlBarTest, MuteButtonShowsTheCrossWhenSilent) {
    const BarRect mute = Layout().muteButton;
    const int cx = mute.CentreX(), cy = mute.CentreY();
    // The cross's right arms reach past the wave, which stays within cx + 9.
    const BarRect crossArm{cx + 10, cy - 5, cx + 13, cy - 2};
    const struct {
        bool muted;
        float volume;
        bool cross;
    } cases[] = {{true, 1.0f, true}, {false, 1.0f, false}, {false, 0.0f, true}, {false, 0.5f, false}};
    for (const auto& c : cases) {
        engine.muted = c.muted;
        engine.volume = c.volume;
        PaintNow();
        const ClientPicture picture(main_);
        EXPECT_EQ(Any(picture, crossArm, kGlyph), c.cross) << "muted=" << c.muted << " volume=" << c.volume;
        EXPECT_TRUE(Any(picture, {cx - 7, cy - 2, cx - 4, cy + 2}, kGlyph)) << "the speaker";
        EXPECT_EQ(Any(picture, {cx + 10, cy + 2, cx + 13, cy + 5}, kGlyph), c.cross) << "lower arm";
    }
}

TEST_F(ControlBarTest, VolumeSliderBoostAndKneeOnlyWithTheSessionEngine) {
    const BarRect slider = Layout().volumeSlider;
    const int m = slider.right - slider.left, cy = (slider.top + slider.bottom) / 2;
    const int k = slider.left + static_cast<int>(m * 0.6 + 0.5);
    const struct {
        EngineKind kind;
        float volume;
        bool knee;
        bool boost;
    } cases[] = {{EngineKind::Session, 4.0f, true, true},
                 {EngineKind::Session, 0.5f, true, false},
                 {EngineKind::MFPlay, 1.0f, false, false}};
    for (const auto& c : cases) {
        engine.engineKind = c.kind;
        engine.volume = c.volume;
        PaintNow();
        const ClientPicture picture(main_);
        EXPECT_EQ(picture.At(k, slider.top - 2) == kKnee, c.knee) << RgbAt(picture, k, slider.top - 2);
        EXPECT_EQ(picture.At(slider.right - 2, cy) == kBoost, c.boost) << RgbAt(picture, slider.right - 2, cy);
        EXPECT_EQ(picture.At(slider.left + 1, cy), kAccent) << RgbAt(picture, slider.left + 1, cy);
    }
}

TEST_F(ControlBarTest, ButtonPressesReachTheirCommands) {
    const ControlBarLayout l = Layout();
    const auto press = [&](const BarRect& r) {
        Send(WM_LBUTTONDOWN, r.CentreX(), r.CentreY());
        Send(WM_LBUTTONUP, r.CentreX(), r.CentreY());
    };
    press(l.repeatButton);
    EXPECT_EQ(transport.repeatMode, 1);
    press(l.muteButton);
    EXPECT_TRUE(engine.muted);
    press(l.muteButton);
    EXPECT_FALSE(engine.muted);
    press(l.playlistButton);
    EXPECT_TRUE(shell.playlistVisible);
    EXPECT_TRUE(IsWindowVisible(ui.panel));
    press(l.playlistButton);
    EXPECT_FALSE(shell.playlistVisible);
    transport.loopStart = 3;
    transport.loopEnd = 9;
    transport.loopActive = true;
    press(l.abButton); // both points set: the press clears them
    EXPECT_LT(transport.loopStart, 0);
    EXPECT_LT(transport.loopEnd, 0);
    EXPECT_FALSE(transport.loopActive);
}

TEST_F(ControlBarTest, PlayButtonIsHeldUntilRelease) {
    const BarRect play = Layout().playButton;
    Send(WM_LBUTTONDOWN, play.CentreX(), play.CentreY());
    EXPECT_EQ(shell.mouseMode, 3);
    EXPECT_EQ(GetCapture(), main_);
    Send(WM_LBUTTONUP, play.CentreX(), play.CentreY());
    EXPECT_EQ(shell.mouseMode, 0);
    EXPECT_NE(GetCapture(), main_);
}

TEST_F(ControlBarTest, VolumeDragFollowsThePointer) {
    const BarRect slider = Layout().volumeSlider;
    const int w = slider.right - slider.left;
    Send(WM_LBUTTONDOWN, slider.left + w / 4, slider.top - 10); // the area grown above the slider
    EXPECT_EQ(shell.mouseMode, 2);
    // The kept volume is rounded to hundredths.
    EXPECT_NEAR(engine.volume, SliderToGain(static_cast<double>(w / 4) / w), 0.005);
    EXPECT_GT(engine.volume, 0.1f);
    Send(WM_MOUSEMOVE, slider.right + 100, slider.top);
    EXPECT_NEAR(engine.volume, SliderToGain(1.0), 0.005);
    EXPECT_GT(engine.volume, 1.0f);
    Send(WM_MOUSEMOVE, slider.left - 100, slider.top);
    EXPECT_NEAR(engine.volume, 0.0, 0.005);
    Send(WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(shell.mouseMode, 0);
}

TEST_F(ControlBarTest, SpeedPressRightAfterItsMenuClosedOpensNothing) {
    const BarRect speed = Layout().speedButton;
    speedMenuClosedTick = GetTickCount64();
    Send(WM_LBUTTONDOWN, speed.CentreX(), speed.CentreY());
    EXPECT_EQ(speedMenuClosedTick, 0u);
    EXPECT_FALSE(shell.menuOpen);
}

TEST_F(ControlBarTest, HoverFollowsTheZones) {
    const ControlBarLayout l = Layout();
    const struct {
        BarRect where;
        int zone;
    } cases[] = {{l.playButton, kZonePlay}, {l.muteButton, kZoneMute}, {l.seekBar, kZoneNone}};
    for (const auto& c : cases) {
        shell.hoverStartTick = 0;
        Send(WM_MOUSEMOVE, c.where.CentreX(), c.where.CentreY());
        EXPECT_EQ(shell.hoverControl, c.zone);
        EXPECT_NE(shell.hoverStartTick, 0u) << "a new zone restarts the tooltip delay";
        shell.hoverStartTick = 0;
        Send(WM_MOUSEMOVE, c.where.CentreX() + 1, c.where.CentreY());
        EXPECT_EQ(shell.hoverStartTick, 0u) << "the same zone changes nothing";
    }
}

TEST_F(ControlBarTest, NothingPaintedInFullscreenWhileTheControlsAreHidden) {
    const ControlBarLayout l = Layout();
    HDC dc = GetDC(main_);
    const RECT strip{0, l.playButton.bottom - 66, l.fullscreenButton.right, l.playButton.bottom};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &strip, red);
    DeleteObject(red);
    shell.isFullscreen = true;
    shell.controlsShown = false;
    PaintControlBar(main_, dc);
    EXPECT_EQ(GetPixel(dc, l.abButton.right + 4, l.playButton.bottom - 3), RGB(255, 0, 0));
    shell.isFullscreen = false;
    shell.controlsShown = true;
    PaintControlBar(main_, dc);
    EXPECT_EQ(GetPixel(dc, l.abButton.right + 4, l.playButton.bottom - 3), kBar);
    ReleaseDC(main_, dc);
}

TEST_F(ControlBarTest, RoundedGradientRowsAndClipRestored) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 60, 60);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all{0, 0, 60, 60};
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &all, black);
    FillRoundedGradient(dc, {10, 10, 44, 44}, 14);
    const struct {
        int x, y;
        COLORREF colour;
    } cases[] = {
        {27, 10, kGradientTop},      {27, 43, kAccent},      {27, 9, RGB(0, 0, 0)},
        {27, 44, RGB(0, 0, 0)},      {10, 10, RGB(0, 0, 0)}, // the rounded corner is left out
        {10, 27, RGB(19, 184, 255)},                         // row 17 of 34: g = 17 * 255 / 33 = 131
        {43, 27, RGB(19, 184, 255)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetPixel(dc, c.x, c.y), c.colour)
            << c.x << "," << c.y << " " << Rgb(GetPixel(dc, c.x, c.y));
    FillRect(dc, &all, black); // the clip is gone again: the whole bitmap is filled
    EXPECT_EQ(GetPixel(dc, 27, 27), RGB(0, 0, 0));
    FillRoundedGradient(dc, {5, 5, 5, 30}, 4); // empty: nothing drawn
    FillRoundedGradient(dc, {5, 30, 30, 30}, 4);
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 0, 0));
    DeleteObject(black);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}


TEST_F(ControlBarTest, PaintingLeaksNoGdiObject) {
    engine.durationSec = 200;
    transport.loopStart = 50;
    transport.loopEnd = 150;
    transport.repeatMode = 2; // every glyph with its font
    PaintNow();
    const long before = GdiObjectLevel();
    for (int i = 0; i < 50; ++i)
        PaintNow();
    EXPECT_EQ(GdiObjectLevel(), before);

    // The measure itself sees a single object left behind.
    HBRUSH leaked = CreateSolidBrush(RGB(4, 5, 6));
    EXPECT_GT(GdiObjectLevel(), before);
    DeleteObject(leaked);
}

} // namespace
