#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/utf.h"
#include "ui/control_bar.h"

std::ostream& operator<<(std::ostream& out, const BarRect& r) {
    return out << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}

namespace {

constexpr int kH = 600;
constexpr int kRowTop = kH - 44;

std::vector<int> PresentZones(const ControlBarLayout& l) {
    std::vector<int> zones;
    for (int zone = 0; zone < kControlZoneCount; ++zone) {
        if (!ZoneRect(l, zone).Empty())
            zones.push_back(zone);
    }
    return zones;
}

struct WidthCase {
    int width;
    std::vector<int> zones;
    int transportLeft; // left edge of the first transport button
    int sliderWidth;   // 0 when the slider is dropped
};

const std::vector<int> kAll{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
const std::vector<int> kNoSpeed{0, 1, 2, 3, 4, 5, 6, 7, 9, 10};
const std::vector<int> kNoAb{0, 1, 3, 4, 5, 6, 7, 9, 10};
const std::vector<int> kThree{0, 1, 3, 5, 7, 9, 10};
const std::vector<int> kThreeNoMute{0, 1, 3, 5, 7, 10};
const std::vector<int> kOnlyPlay{0, 1, 5, 10};
const std::vector<int> kNoRepeat{0, 5, 10};

TEST(ControlBarLayout, CollapseSequenceByWidth) {
    const WidthCase cases[] = {
        {1000, kAll, 349, 78},      {720, kAll, 209, 78},     {719, kAll, 221, 52},
        {548, kAll, 136, 52},       {547, kNoSpeed, 159, 52}, {500, kNoSpeed, 136, 52},
        {499, kNoAb, 113, 52},      {456, kNoAb, 92, 52},     {455, kThree, 135, 52},
        {400, kThree, 108, 52},     {368, kThree, 92, 52},    {367, kThreeNoMute, 136, 0},
        {278, kThreeNoMute, 92, 0}, {277, kOnlyPlay, 135, 0}, {190, kOnlyPlay, 92, 0},
        {189, kNoRepeat, 69, 0},    {100, kNoRepeat, 48, 0},
    };
    for (const auto& c : cases) {
        const ControlBarLayout l = ComputeControlBarLayout(c.width, kH);
        EXPECT_EQ(PresentZones(l), c.zones) << "W=" << c.width;
        const int first = ZoneRect(l, kZonePrevious).Empty() ? kZonePlay : kZonePrevious;
        EXPECT_EQ(ZoneRect(l, first).left, c.transportLeft) << "W=" << c.width;
        EXPECT_EQ(l.volumeSlider.Width(), c.sliderWidth) << "W=" << c.width;
        EXPECT_EQ(l.volumeSlider.Empty(), l.muteButton.Empty())
            << "mute and slider go together, W=" << c.width;
    }
}

TEST(ControlBarLayout, EveryRectangleAtWidth1000) {
    const ControlBarLayout l = ComputeControlBarLayout(1000, kH);
    const BarRect expected[] = {
        {0, 556, 44, 600},    {44, 556, 88, 600},   {88, 556, 132, 600},   {349, 556, 393, 600},
        {393, 556, 437, 600}, {437, 556, 481, 600}, {481, 556, 525, 600},  {525, 556, 569, 600},
        {792, 556, 836, 600}, {840, 556, 864, 600}, {956, 556, 1000, 600},
    };
    for (int zone = 0; zone < kControlZoneCount; ++zone)
        EXPECT_EQ(ZoneRect(l, zone), expected[zone]) << "zone " << zone;
    EXPECT_EQ(l.volumeSlider, (BarRect{868, 575, 946, 581}));
    EXPECT_EQ(l.seekBar, (BarRect{56, 542, 944, 548}));
    EXPECT_EQ(l.elapsedLabel, (BarRect{4, 534, 52, 556}));
    EXPECT_EQ(l.durationLabel, (BarRect{948, 534, 996, 556}));
    EXPECT_EQ(ZoneRect(l, kZoneNone), BarRect{});
    EXPECT_EQ(ZoneRect(l, kControlZoneCount), BarRect{});
}

TEST(ControlBarLayout, TransportButtonsAreAdjacentAndTheTenSecondOnesGoWithFive) {
    const struct {
        int width;
        std::vector<int> order;
    } cases[] = {
        {1000, {kZonePrevious, kZoneBack10, kZonePlay, kZoneForward10, kZoneNext}},
        {400, {kZonePrevious, kZonePlay, kZoneNext}},
        {250, {kZonePlay}},
    };
    for (const auto& c : cases) {
        const ControlBarLayout l = ComputeControlBarLayout(c.width, kH);
        for (size_t i = 1; i < c.order.size(); ++i)
            EXPECT_EQ(ZoneRect(l, c.order[i]).left, ZoneRect(l, c.order[i - 1]).right) << "W=" << c.width;
        for (int zone : c.order)
            EXPECT_EQ(ZoneRect(l, zone),
                      (BarRect{ZoneRect(l, zone).left, kRowTop, ZoneRect(l, zone).left + 44, kH}));
    }
}

// Across all widths: the three kept buttons stay, a dropped button stays dropped when narrower,
// and the buttons present never overlap once there is room for them.
TEST(ControlBarLayout, InvariantsOverWidths) {
    std::vector<int> previous = kAll;
    for (int w = 2000; w >= 0; --w) {
        const ControlBarLayout l = ComputeControlBarLayout(w, kH);
        const std::vector<int> zones = PresentZones(l);
        for (int kept : {kZonePlaylist, kZonePlay, kZoneFullscreen})
            ASSERT_FALSE(ZoneRect(l, kept).Empty()) << "zone " << kept << " W=" << w;
        for (int zone : zones)
            ASSERT_NE(std::find(previous.begin(), previous.end(), zone), previous.end())
                << "zone back, W=" << w;
        previous = zones;
        if (w < 190)
            continue;
        for (size_t i = 1; i < zones.size(); ++i)
            ASSERT_LE(ZoneRect(l, zones[i - 1]).right, ZoneRect(l, zones[i]).left) << "W=" << w;
    }
}

TEST(ControlBarLayout, HeightMovesEveryRowWithTheBottom) {
    const ControlBarLayout a = ComputeControlBarLayout(800, 600);
    const ControlBarLayout b = ComputeControlBarLayout(800, 700);
    for (int zone = 0; zone < kControlZoneCount; ++zone) {
        const BarRect ra = ZoneRect(a, zone);
        EXPECT_EQ(ZoneRect(b, zone), (BarRect{ra.left, ra.top + 100, ra.right, ra.bottom + 100}));
    }
    EXPECT_EQ(b.seekBar, (BarRect{56, 642, 744, 648}));
}

struct PointCase {
    const char* name;
    int width;
    int x;
    int y;
    int zone;
};

TEST(ControlBarHitTest, FirstZoneContainingThePoint) {
    const PointCase cases[] = {
        {"playlist top-left corner", 1000, 0, 556, kZonePlaylist},
        {"playlist bottom-right pixel", 1000, 43, 599, kZonePlaylist},
        {"repeat starts where playlist ends", 1000, 44, 556, kZoneRepeat},
        {"below the bar", 1000, 0, 600, kZoneNone},
        {"above the bottom row", 1000, 0, 555, kZoneNone},
        {"previous", 1000, 349, 580, kZonePrevious},
        {"back 10", 1000, 400, 580, kZoneBack10},
        {"play", 1000, 459, 578, kZonePlay},
        {"forward 10", 1000, 500, 580, kZoneForward10},
        {"next", 1000, 568, 578, kZoneNext},
        {"gap after next", 1000, 569, 578, kZoneNone},
        {"speed", 1000, 800, 570, kZoneSpeed},
        {"mute", 1000, 850, 570, kZoneMute},
        {"slider is no zone", 1000, 900, 578, kZoneNone},
        {"fullscreen", 1000, 999, 599, kZoneFullscreen},
        {"seek bar is no zone", 1000, 300, 545, kZoneNone},
        {"where the dropped A-B was", 400, 100, 570, kZoneNone},
        {"previous after the collapse", 400, 110, 570, kZonePrevious},
        {"overlap: play before fullscreen", 100, 60, 570, kZonePlay},
        {"fullscreen past play", 100, 95, 570, kZoneFullscreen},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HitTestControlBar(ComputeControlBarLayout(c.width, kH), c.x, c.y), c.zone) << c.name;
}

TEST(ControlBarHitTest, EmptyRectanglesNeverMatch) {
    ControlBarLayout l;
    EXPECT_EQ(HitTestControlBar(l, 0, 0), kZoneNone) << "all dropped";
    l.playlistButton = {5, 5, 5, 50}; // no width
    l.repeatButton = {5, 20, 40, 20}; // no height
    l.abButton = {40, 40, 5, 5};      // inverted
    l.prevButton = {0, 0, 100, 100};
    for (int y : {5, 20, 30})
        EXPECT_EQ(HitTestControlBar(l, 5, y), kZonePrevious) << y;
    EXPECT_EQ(HitTestControlBar(l, 20, 20), kZonePrevious);
    EXPECT_EQ(PressTargetAt(l, 5, 20), kZonePrevious);
}

TEST(ControlBarPress, ButtonsThenSeekAreaThenVolumeArea) {
    const PointCase cases[] = {
        {"seek area top", 1000, 300, 530, kZoneSeekArea},
        {"just above the seek area", 1000, 300, 529, kZoneNone},
        {"seek area reaches into the button row", 1000, 300, 559, kZoneSeekArea},
        {"seek area bottom is excluded", 1000, 300, 560, kZoneNone},
        {"a button wins over the seek area", 1000, 360, 558, kZonePrevious},
        {"seek area left edge", 1000, 56, 545, kZoneSeekArea},
        {"left of the seek area", 1000, 55, 545, kZoneNone},
        {"volume area top", 1000, 870, 563, kZoneVolumeArea},
        {"above the volume area", 1000, 870, 562, kZoneNone},
        {"volume area bottom", 1000, 945, 592, kZoneVolumeArea},
        {"right of the slider", 1000, 946, 580, kZoneNone},
        {"dropped slider takes no press", 300, 240, 565, kZoneNone},
        {"play", 1000, 459, 578, kZonePlay},
        {"mute", 1000, 850, 570, kZoneMute},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PressTargetAt(ComputeControlBarLayout(c.width, kH), c.x, c.y), c.zone) << c.name;
}

TEST(ControlBarPress, FullscreenAnswersBeforeSpeedAndMute) {
    ControlBarLayout l;
    l.speedButton = {0, 0, 10, 10};
    l.muteButton = {0, 0, 10, 10};
    l.fullscreenButton = {0, 0, 10, 10};
    EXPECT_EQ(PressTargetAt(l, 5, 5), kZoneFullscreen);
    EXPECT_EQ(HitTestControlBar(l, 5, 5), kZoneSpeed);
    l.fullscreenButton = {};
    EXPECT_EQ(PressTargetAt(l, 5, 5), kZoneSpeed);
}

TEST(ControlBarPress, AreasGrowBy12AboveAndBelow) {
    const ControlBarLayout l = ComputeControlBarLayout(1000, kH);
    EXPECT_EQ(SeekArea(l), (BarRect{56, 530, 944, 560}));
    EXPECT_EQ(VolumeArea(l), (BarRect{868, 563, 946, 593}));
    EXPECT_TRUE(VolumeArea(ComputeControlBarLayout(300, kH)).Empty());
}

TEST(ControlBarFraction, ClampedAlongTheBar) {
    const BarRect bar{56, 542, 944, 548};
    const struct {
        BarRect bar;
        int x;
        double fraction;
    } cases[] = {
        {bar, 56, 0.0},
        {bar, 500, 0.5},
        {bar, 944, 1.0},
        {bar, 2000, 1.0},
        {bar, 0, 0.0},
        {bar, 278, 0.25},
        {{56, 542, 56, 548}, 56, 0.0},
        {{56, 542, 56, 548}, 100, 0.0},
        {{60, 0, 50, 6}, 55, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(BarFraction(c.bar, c.x), c.fraction) << c.bar << " x=" << c.x;
}

TEST(ControlBarLabels, MinutesAndSeconds) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "0:00"},    {59.9, "0:59"},  {60, "1:00"},
        {61.5, "1:01"}, {3599, "59:59"}, {7200, "120:00"},
        {-1, "0:00"},   {-0.5, "0:00"},  {std::numeric_limits<double>::quiet_NaN(), "0:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf16ToUtf8(FormatBarTime(c.seconds)), c.text) << c.seconds;
}

TEST(ControlBarLabels, SpeedWithMultiplicationSign) {
    const struct {
        float speed;
        const char* text;
    } cases[] = {{1.0f, "1\u00D7"}, {1.5f, "1.5\u00D7"}, {0.75f, "0.75\u00D7"},
                 {2.0f, "2\u00D7"}, {0.5f, "0.5\u00D7"}, {1.1f, "1.1\u00D7"}};
    for (const auto& c : cases)
        EXPECT_EQ(Utf16ToUtf8(FormatSpeedLabel(c.speed)), c.text) << c.speed;
}

struct SeekCase {
    const char* name;
    double pos, dur, a, b;
    std::optional<BarRect> range, played, thumb, markerA, markerB;
};

TEST(ControlBarSeekBar, PartsForPositionDurationAndLoop) {
    const BarRect bar{56, 542, 944, 548}; // 888 wide, centre 545
    const std::nullopt_t none = std::nullopt;
    const SeekCase cases[] = {
        {"half way", 100, 200, -1, -1, none, BarRect{56, 542, 500, 548}, BarRect{493, 538, 507, 552}, none,
         none},
        {"start", 0, 200, -1, -1, none, BarRect{56, 542, 56, 548}, BarRect{49, 538, 63, 552}, none, none},
        {"past the end clamps", 400, 200, -1, -1, none, BarRect{56, 542, 944, 548},
         BarRect{937, 538, 951, 552}, none, none},
        {"unknown position", -1, 200, -1, -1, none, none, none, none, none},
        {"unknown duration shows only the track", 10, -1, 5, 8, none, none, none, none, none},
        {"zero duration", 10, 0, 5, 8, none, none, none, none, none},
        {"A before B", 20, 200, 50, 150, BarRect{278, 542, 722, 548}, BarRect{56, 542, 144, 548},
         BarRect{137, 538, 151, 552}, BarRect{277, 537, 280, 553}, BarRect{721, 537, 724, 553}},
        {"A after B: markers only", -1, 200, 150, 50, none, none, none, BarRect{721, 537, 724, 553},
         BarRect{277, 537, 280, 553}},
        {"A equal to B: markers only", -1, 200, 50, 50, none, none, none, BarRect{277, 537, 280, 553},
         BarRect{277, 537, 280, 553}},
        {"only A", -1, 200, 50, -1, none, none, none, BarRect{277, 537, 280, 553}, none},
        {"only B", -1, 200, -1, 50, none, none, none, none, BarRect{277, 537, 280, 553}},
    };
    for (const auto& c : cases) {
        const SeekBarParts p = ComputeSeekBarParts(bar, c.pos, c.dur, c.a, c.b);
        EXPECT_EQ(p.track, bar) << c.name;
        EXPECT_EQ(p.loopRange, c.range) << c.name;
        EXPECT_EQ(p.played, c.played) << c.name;
        EXPECT_EQ(p.thumb, c.thumb) << c.name;
        EXPECT_EQ(p.markerA, c.markerA) << c.name;
        EXPECT_EQ(p.markerB, c.markerB) << c.name;
    }
}

struct VolumeCase {
    const char* name;
    BarRect slider;
    double sliderPos;
    bool muted;
    double volume;
    bool session;
    BarRect level;
    std::optional<BarRect> boost;
    std::optional<BarRect> knee;
};

TEST(ControlBarVolume, LevelBoostAndKnee) {
    const BarRect wide{868, 575, 946, 581};   // 78 wide: knee at 868 + 47
    const BarRect narrow{600, 575, 652, 581}; // 52 wide: knee at 600 + 31
    const BarRect wideKnee{915, 573, 916, 583};
    const std::nullopt_t none = std::nullopt;
    const VolumeCase cases[] = {
        {"half, session", wide, 0.5, false, 0.5, true, {868, 575, 907, 581}, none, wideKnee},
        {"half, MFPlay has no knee", wide, 0.5, false, 0.5, false, {868, 575, 907, 581}, none, none},
        {"muted shows nothing", wide, 0.8, true, 2.0, true, {868, 575, 868, 581}, none, wideKnee},
        {"boosted to the top",
         wide,
         1.0,
         false,
         2.0,
         true,
         {868, 575, 915, 581},
         BarRect{915, 575, 946, 581},
         wideKnee},
        {"MFPlay never shows the boost", wide, 1.0, false, 2.0, false, {868, 575, 946, 581}, none, none},
        {"100 % is not a boost", wide, 0.6, false, 1.0005, true, {868, 575, 915, 581}, none, wideKnee},
        {"boost below the knee", wide, 0.5, false, 1.5, true, {868, 575, 907, 581}, none, wideKnee},
        {"zero", wide, 0.0, false, 0.0, true, {868, 575, 868, 581}, none, wideKnee},
        {"narrow slider",
         narrow,
         1.0,
         false,
         2.0,
         true,
         {600, 575, 631, 581},
         BarRect{631, 575, 652, 581},
         BarRect{631, 573, 632, 583}},
    };
    for (const auto& c : cases) {
        const VolumeSliderParts p =
            ComputeVolumeSliderParts(c.slider, c.sliderPos, c.muted, c.volume, c.session);
        EXPECT_EQ(p.track, c.slider) << c.name;
        EXPECT_EQ(p.level, c.level) << c.name;
        EXPECT_EQ(p.boost, c.boost) << c.name;
        EXPECT_EQ(p.kneeMark, c.knee) << c.name;
    }
}

TEST(ControlBarHover, TooltipHiddenUnlessTheNewZoneCanKeepIt) {
    const struct {
        int zone;
        int tooltip;
        bool hides;
    } cases[] = {
        {kZoneNone, kZoneNone, true},          {kZonePrevious, kZoneNone, false},
        {kZonePrevious, kZonePrevious, false}, {kZonePrevious, kZonePlay, true},
        {kZoneNone, kZonePlay, true},          {kZoneSeekArea, kZoneNone, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HoverHidesTooltip(c.zone, c.tooltip), c.hides) << c.zone << " " << c.tooltip;
}

TEST(ControlBarSpeed, PressRightAfterTheMenuClosedDoesNotReopen) {
    const struct {
        std::uint64_t now;
        std::uint64_t closed;
        bool opens;
    } cases[] = {
        {1000, 0, true}, {1000, 1000, false}, {1399, 1000, false}, {1400, 1000, true}, {50000, 1000, true}};
    for (const auto& c : cases)
        EXPECT_EQ(SpeedPressOpensMenu(c.now, c.closed), c.opens) << c.now << " " << c.closed;
}

} // namespace
