// The playlist panel's rows: group order, numbering, hit testing and the wheel's limits.
#include <gtest/gtest.h>

#include <vector>

#include "playlist/playlist_state.h"
#include "ui/panel_rows.h"

namespace {

constexpr int V = kVideosHeaderRow;
constexpr int M = kMusicHeaderRow;

struct RowsCase {
    const char* name;
    std::vector<bool> audio;
    int current;
    std::vector<int> rows;
};

TEST(PanelRows, GroupOfTheCurrentItemComesFirst) {
    const RowsCase cases[] = {
        {"empty list", {}, -1, {}},
        {"nothing current: videos first", {false, true, false}, -1, {V, 0, 2, M, 1}},
        {"video current", {false, true, false}, 2, {V, 0, 2, M, 1}},
        {"audio current: music first", {false, true, false}, 1, {M, 1, V, 0, 2}},
        {"only audio, nothing current", {true, true}, -1, {M, 0, 1}},
        {"only audio, one current", {true, true}, 0, {M, 0, 1}},
        {"only video, one current", {false, false}, 1, {V, 0, 1}},
        {"current past the end counts as none", {true, false}, 5, {V, 1, M, 0}},
        {"interleaved kinds keep list order", {true, false, true, false, true}, 4, {M, 0, 2, 4, V, 1, 3}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildPanelRows(c.audio, c.current), c.rows) << c.name;
}

TEST(PanelRows, LivePlaylistUsesTheItemExtensions) {
    playlist = {u"C:\\a.mp4", u"C:\\b.MP3", u"C:\\c", u"C:\\d.flac"};
    currentIndex = 3;
    EXPECT_EQ(BuildPanelRows(), (std::vector<int>{M, 1, 3, V, 0, 2}));
    currentIndex = 0;
    EXPECT_EQ(BuildPanelRows(), (std::vector<int>{V, 0, 2, M, 1, 3}));
    playlist.clear();
    currentIndex = -1;
    EXPECT_TRUE(BuildPanelRows().empty());
}

TEST(PanelRows, NumberingRestartsInEachGroup) {
    const std::vector<int> rows{M, 1, 4, 5, V, 0, 2};
    struct Case {
        int row;
        int number;
    };
    const Case cases[] = {{1, 1}, {2, 2}, {3, 3}, {5, 1}, {6, 2}};
    for (const auto& c : cases)
        EXPECT_EQ(GroupNumber(rows, c.row), c.number) << "row " << c.row;
    EXPECT_EQ(GroupSize(rows, 0), 3) << "music header";
    EXPECT_EQ(GroupSize(rows, 4), 2) << "videos header";
}

TEST(PanelRows, HitTest) {
    const std::vector<int> rows{V, 0, 2, M, 1};
    struct Case {
        int y;
        int scroll;
        int item;
    };
    const Case cases[] = {
        {0, 0, -1},   {33, 0, -1},  {34, 0, -1},  {63, 0, -1},  {64, 0, 0},   {93, 0, 0},
        {94, 0, 2},   {124, 0, -1}, {154, 0, 1},  {183, 0, 1},  {184, 0, -1}, {500, 0, -1},
        {10, 2, -1},  {34, 1, 0},   {34, 2, 2},   {64, 2, -1},  {94, 2, 1},   {124, 2, -1},
        {34, 4, 1},   {64, 4, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PanelHitTest(rows, c.y, c.scroll), c.item) << "y " << c.y << " scroll " << c.scroll;
    EXPECT_EQ(PanelHitTest({}, 50, 0), -1) << "empty list";
}

TEST(PanelRows, WheelMovesOneRowAndClamps) {
    struct Case {
        int scroll;
        int delta;
        int rowCount;
        int next;
    };
    const Case cases[] = {
        {0, -120, 5, 1}, {0, 0, 5, 1},     {3, -360, 5, 4}, {4, -120, 5, 4}, {4, 120, 5, 3},
        {0, 120, 5, 0},  {2, 1, 5, 1},     {0, -120, 0, 0}, {0, 120, 0, 0},  {9, -120, 3, 2},
        {9, 120, 3, 2},  {0, -120, 1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WheelScroll(c.scroll, c.delta, c.rowCount), c.next)
            << "scroll " << c.scroll << " delta " << c.delta << " rows " << c.rowCount;
}

TEST(PanelRows, RowTopFollowsTheScroll) {
    EXPECT_EQ(PanelRowTop(0, 0), 34);
    EXPECT_EQ(PanelRowTop(3, 1), 94);
    EXPECT_EQ(PanelRowTop(0, 2), -26);
    panelScroll = 7;
    ResetPanelScroll();
    EXPECT_EQ(panelScroll, 0);
}

} // namespace
