#include <gtest/gtest.h>

#include "ui/layout.h"

namespace {

struct LayoutCase {
    const char* name;
    LayoutInput in;
    LayoutRect picture;
    LayoutRect panel;
    bool musicShown;
};

LayoutInput Input(int w, int h, bool panel = false, bool fullscreen = false, bool controls = true,
                  bool hasVideo = true, bool currentValid = true) {
    return {w, h, panel, fullscreen, controls, hasVideo, currentValid};
}

TEST(Layout, Cases) {
    const LayoutCase cases[] = {
        {"windowed", Input(984, 621), {0, 36, 984, 519}, {984, 36, 0, 519}, false},
        {"panel shown: picture 300 narrower, panel as tall", Input(984, 621, true), {0, 36, 684, 519},
         {684, 36, 300, 519}, false},
        {"fullscreen, bars hidden", Input(1280, 800, false, true, false), {0, 0, 1280, 800}, {1280, 0, 0, 800},
         false},
        {"fullscreen, bars shown", Input(1280, 800, false, true, true), {0, 0, 1280, 734}, {1280, 0, 0, 734},
         false},
        {"fullscreen with panel", Input(1280, 800, true, true, false), {0, 0, 980, 800}, {980, 0, 300, 800},
         false},
        {"height below the bars gives zero", Input(500, 80), {0, 36, 500, 0}, {500, 36, 0, 0}, false},
        {"zero client", Input(0, 0, true), {0, 36, 0, 0}, {-300, 36, 300, 0}, false},
        {"narrower than the panel", Input(200, 300, true), {0, 36, 0, 198}, {-100, 36, 300, 198}, false},
        {"audio item shows the music view", Input(984, 621, false, false, true, false, true), {0, 36, 984, 519},
         {984, 36, 0, 519}, true},
        {"no current item shows the video window", Input(984, 621, false, false, true, false, false),
         {0, 36, 984, 519}, {984, 36, 0, 519}, false},
    };
    for (const auto& c : cases) {
        const LayoutResult r = ComputeLayout(c.in);
        EXPECT_EQ(r.picture, c.picture) << c.name;
        EXPECT_EQ(r.panel, c.panel) << c.name;
        EXPECT_EQ(r.musicShown, c.musicShown) << c.name;
        EXPECT_EQ(r.panelShown, c.in.playlistVisible) << c.name;
        EXPECT_GE(r.picture.width, 0) << c.name;
        EXPECT_GE(r.picture.height, 0) << c.name;
    }
}

TEST(Layout, ControlBarStripIsTheBottom66Pixels) {
    EXPECT_EQ(ControlBarStrip(984, 621), (LayoutRect{0, 555, 984, 66}));
}

} // namespace
