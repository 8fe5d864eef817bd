// The control-bar tooltips in a real main window: shown by the tick after 400 ms of hovering,
// named by the catalog, centred above their button.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/wine/main_window_fixture_win.h"
#include "ui/control_bar.h"
#include "ui/tooltip_win.h"
#include "ui/transport_state.h"

namespace {

class TooltipTest : public MainWindowFixture {
  protected:
    void Hover(int zone, ULONGLONG forMs) {
        shell.hoverControl = zone;
        shell.tooltipControl = -1;
        shell.hoverStartTick = GetTickCount64() - forMs;
        SendMessageW(main_, WM_TIMER, kTickTimerId, 0);
    }
    RECT ButtonOnScreen(int zone) {
        RECT client{};
        GetClientRect(main_, &client);
        const BarRect r = ZoneRect(ComputeControlBarLayout(client.right, client.bottom), zone);
        RECT screen{r.left, r.top, r.right, r.bottom};
        MapWindowPoints(main_, HWND_DESKTOP, reinterpret_cast<POINT*>(&screen), 2);
        return screen;
    }
};

TEST_F(TooltipTest, AppearsAfterTheDelayCentredAboveItsButton) {
    Hover(kZonePlay, 100);
    EXPECT_FALSE(IsWindowVisible(ui.tip)) << "not before 400 ms";
    Hover(kZonePlay, 450);
    ASSERT_TRUE(IsWindowVisible(ui.tip));
    EXPECT_EQ(shell.tooltipControl, kZonePlay);
    EXPECT_EQ(tooltipText, u"Pause") << "playing: the button pauses";
    RECT tip{};
    GetWindowRect(ui.tip, &tip);
    const RECT button = ButtonOnScreen(kZonePlay);
    EXPECT_LE(tip.bottom, button.top - 5) << "above the button, clear of it";
    EXPECT_NEAR((tip.left + tip.right) / 2, (button.left + button.right) / 2, 1);
    EXPECT_NE(GetActiveWindow(), ui.tip);
}

TEST_F(TooltipTest, TextsFollowTheState) {
    const struct {
        int zone;
        int repeat;
        bool paused;
        bool muted;
        const char16_t* text;
    } cases[] = {
        {kZoneRepeat, 1, false, false, u"Repeat: all"}, {kZoneRepeat, 2, false, false, u"Repeat: one"},
        {kZoneRepeat, 0, false, false, u"Repeat"},      {kZonePlay, 0, true, false, u"Play"},
        {kZoneMute, 0, false, true, u"Unmute"},         {kZoneMute, 0, false, false, u"Mute"},
        {kZoneNext, 0, false, false, u"Next file"},     {kZoneFullscreen, 0, false, false, u"Full screen"},
    };
    for (const auto& c : cases) {
        transport.repeatMode = c.repeat;
        engine.paused = c.paused;
        engine.muted = c.muted;
        EXPECT_EQ(TooltipTextFor(c.zone), c.text) << c.zone;
    }
    transport.repeatMode = 0;
    EXPECT_TRUE(TooltipTextFor(-1).empty());
}

TEST_F(TooltipTest, NoTooltipWhileAMenuIsOpenOrTheMouseDrags) {
    shell.menuOpen = true;
    Hover(kZoneNext, 1000);
    EXPECT_FALSE(IsWindowVisible(ui.tip));
    shell.menuOpen = false;
    shell.mouseMode = 2;
    Hover(kZoneNext, 1000);
    EXPECT_FALSE(IsWindowVisible(ui.tip));
    shell.mouseMode = 0;
}

} // namespace
