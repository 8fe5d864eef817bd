// The on-screen display in a real main window: placed at the picture's corner, sized to its
// message, painted in its colours, and hidden by the tick once its time is up.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/wine/main_window_fixture_win.h"
#include "tests/wine/test_support_win.h"
#include "ui/osd_win.h"

namespace {

class OsdTest : public MainWindowFixture {
  protected:
    void Tick() { SendMessageW(main_, WM_TIMER, kTickTimerId, 0); }
};

TEST_F(OsdTest, AppearsAtThePicturesCornerSizedToItsMessage) {
    ShowOsd(u"Volume 145%");
    PumpMessagesFor(150);
    ASSERT_TRUE(IsWindowVisible(ui.osd));
    EXPECT_NE(GetActiveWindow(), ui.osd) << "it never takes the activation";
    RECT frame{};
    GetWindowRect(ui.osd, &frame);
    POINT corner{16, 14};
    ClientToScreen(ui.video, &corner);
    EXPECT_EQ(frame.left, corner.x);
    EXPECT_EQ(frame.top, corner.y);
    const int shortWidth = frame.right - frame.left;
    EXPECT_GT(shortWidth, 30 + 60) << "text width plus the padding";
    EXPECT_GT(frame.bottom - frame.top, 16 + 10);

    ShowOsd(u"A much longer message than the first one");
    PumpMessagesFor(150);
    GetWindowRect(ui.osd, &frame);
    EXPECT_GT(frame.right - frame.left, shortWidth) << "resized to the new message";
    const ClientPicture picture(ui.osd);
    EXPECT_EQ(picture.At(2, 2), RGB(12, 14, 17)) << "the OSD's background";
}

TEST_F(OsdTest, TheTickHidesItOnlyWhenItsTimeIsUp) {
    ShowOsd(u"Mute");
    PumpMessagesFor(150);
    ASSERT_TRUE(IsWindowVisible(ui.osd));
    EXPECT_GE(osd.hideTick, GetTickCount64() + kOsdLifeMs - 400);
    Tick();
    EXPECT_TRUE(IsWindowVisible(ui.osd)) << "still within its 1.4 s";
    osd.hideTick = GetTickCount64() - 1;
    Tick();
    EXPECT_FALSE(IsWindowVisible(ui.osd));
    EXPECT_EQ(osd.text, u"Mute") << "the last message is kept";
}

} // namespace
