#include "ui/frame_geometry.h"

#include <gtest/gtest.h>

namespace {

constexpr int kW = 1000;

TEST(FrameGeometry, ClientReachesTheTopUnlessMaximised) {
    const EdgeRect proposed{100, 50, 1100, 710};
    EXPECT_EQ(ClientFromProposed(proposed, 8, 8, false), (EdgeRect{108, 50, 1092, 702}));
    EXPECT_EQ(ClientFromProposed(proposed, 8, 9, true), (EdgeRect{108, 59, 1092, 701}));
}

TEST(FrameGeometry, HitTestTable) {
    const struct {
        int x, y;
        bool maximised;
        FrameHit hit;
    } cases[] = {
        {100, -1, false, FrameHit::System},   // above the client: the system's own answer
        {0, 0, false, FrameHit::TopLeft},
        {5, 5, false, FrameHit::TopLeft},
        {6, 5, false, FrameHit::Top},
        {kW - 7, 0, false, FrameHit::Top},
        {kW - 6, 5, false, FrameHit::TopRight},
        {6, 6, false, FrameHit::Caption},
        {400, 35, false, FrameHit::Caption},
        {400, 36, false, FrameHit::System},   // below the title bar
        {kW - 139, 20, false, FrameHit::Caption},
        {kW - 138, 20, false, FrameHit::Client}, // minimise
        {kW - 1, 20, false, FrameHit::Client},   // close
        {kW, 20, false, FrameHit::System},
        {-1, 20, false, FrameHit::System},
        {0, 0, true, FrameHit::Caption},     // maximised: no top resize band
        {kW - 3, 2, true, FrameHit::Client}, // ... and the close button reaches the corner
        {400, -1, true, FrameHit::System},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HitTestFrame(c.x, c.y, kW, c.maximised), c.hit) << c.x << "," << c.y << " max=" << c.maximised;
}

TEST(FrameGeometry, CaptionButtonsFromTheRight) {
    EXPECT_EQ(CaptionButtonRect(CaptionButton::Close, kW), (EdgeRect{954, 0, 1000, 36}));
    EXPECT_EQ(CaptionButtonRect(CaptionButton::Maximise, kW), (EdgeRect{908, 0, 954, 36}));
    EXPECT_EQ(CaptionButtonRect(CaptionButton::Minimise, kW), (EdgeRect{862, 0, 908, 36}));
    const struct {
        int x, y;
        CaptionButton button;
    } cases[] = {{861, 10, CaptionButton::None},    {862, 10, CaptionButton::Minimise},
                 {907, 35, CaptionButton::Minimise}, {908, 0, CaptionButton::Maximise},
                 {954, 0, CaptionButton::Close},     {999, 35, CaptionButton::Close},
                 {999, 36, CaptionButton::None},     {970, -1, CaptionButton::None}};
    for (const auto& c : cases)
        EXPECT_EQ(CaptionButtonAt(c.x, c.y, kW), c.button) << c.x << "," << c.y;
}

TEST(FrameGeometry, TitleBarNameKeepsClearOfTheButtonsButNeverCollapses) {
    EXPECT_EQ(ComputeTitleBarLayout(kW, false).itemName, (EdgeRect{226, 0, 850, 36}));
    // A narrow window still gives the name 40 pixels (it then runs under the buttons).
    EXPECT_EQ(ComputeTitleBarLayout(300, false).itemName, (EdgeRect{226, 0, 266, 36}));
    EXPECT_EQ(ComputeTitleBarLayout(kW, false).programName, (EdgeRect{14, 0, 220, 36}));
}

TEST(FrameGeometry, MaximiseGlyphShowsTwoWindowsOnlyWhenMaximised) {
    const TitleBarLayout normal = ComputeTitleBarLayout(kW, false);
    const TitleBarLayout maximised = ComputeTitleBarLayout(kW, true);
    EXPECT_EQ(normal.maximiseFront, (EdgeRect{925, 12, 937, 24}));
    EXPECT_EQ(maximised.maximiseFront, (EdgeRect{925, 12, 935, 20}));
    EXPECT_EQ(maximised.maximiseBack, (EdgeRect{927, 16, 937, 24}));
    EXPECT_EQ(normal.minimise, (GlyphLine{879, 18, 891, 18}));
    EXPECT_EQ(normal.closeDown, (GlyphLine{971, 12, 984, 25}));
    EXPECT_EQ(normal.closeUp, (GlyphLine{983, 12, 970, 25}));
}

TEST(FrameGeometry, MinimumTrackSizeOnlyRises) {
    EXPECT_EQ(RaiseMinimumTrackSize({100, 200}, {216, 145}), (ClientSize{216, 200}));
    EXPECT_EQ(RaiseMinimumTrackSize({300, 300}, {216, 145}), (ClientSize{300, 300}));
}

TEST(FrameGeometry, CompactSizes) {
    EXPECT_EQ(CompactClientSize(false), (ClientSize{560, 186}));
    EXPECT_EQ(CompactClientSize(true), (ClientSize{860, 186}));
    // The frame around the client stays as it is.
    EXPECT_EQ(WindowSizeForClient({1016, 668}, {1000, 660}, {560, 186}), (ClientSize{576, 194}));
}

TEST(FrameGeometry, CompactDecisionTable) {
    using A = CompactAction;
    const struct {
        const char* name;
        CompactInput in;
        A action;
    } cases[] = {
        {"music starts in a normal window", {true, false, false, false, false, false}, A::Shrink},
        {"video after music", {false, true, false, false, false, false}, A::Restore},
        {"music goes on", {true, true, false, false, false, false}, A::None},
        {"video goes on", {false, false, false, false, false, false}, A::None},
        {"music starts maximised", {true, false, false, false, true, false}, A::MarkAndForgetSaved},
        {"video after music, maximised", {false, true, false, false, true, false}, A::MarkOnly},
        {"fullscreen waits", {true, false, true, false, false, false}, A::None},
        {"minimised waits", {true, false, false, true, false, false}, A::None},
        {"running already", {true, false, false, false, false, true}, A::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideCompactAction(c.in), c.action) << c.name;
}

} // namespace
