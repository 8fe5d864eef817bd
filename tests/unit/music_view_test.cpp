#include "ui/music_view.h"

#include <gtest/gtest.h>

#include "base/utf.h"
#include "ui/osd_life.h"

namespace {

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

MusicViewInput Input(int w, int h, const char16_t* extension) {
    MusicViewInput in;
    in.width = w;
    in.height = h;
    in.displayName = u"song.mp3";
    in.extensionLabel = extension;
    in.position = 65;
    in.duration = 185;
    in.badgeLabelWidth = 30;
    return in;
}

TEST(MusicView, CompactLayoutOfTheMusicWindow) {
    const MusicViewLayout l = ComputeMusicViewLayout(Input(560, 84, u"MP3"));
    EXPECT_EQ(l.artwork, (EdgeRect{14, 12, 74, 72}));
    EXPECT_EQ(l.artworkCorner, 12);
    ASSERT_EQ(l.texts.size(), 2u);
    EXPECT_EQ(U8(l.texts[0].text), "song.mp3");
    EXPECT_EQ(l.texts[0].box, (EdgeRect{88, 14, 548, 38}));
    EXPECT_EQ(U8(l.texts[1].text), "MP3  \u00B7  1:05 / 3:05");
    EXPECT_EQ(l.texts[1].box, (EdgeRect{88, 40, 548, 62}));
    EXPECT_FALSE(l.hasBadge);
    const MusicViewLayout bare = ComputeMusicViewLayout(Input(560, 84, u""));
    EXPECT_EQ(U8(bare.texts[1].text), "1:05 / 3:05");
}

TEST(MusicView, LargeLayoutCentresArtworkAndTextColumn) {
    const MusicViewLayout l = ComputeMusicViewLayout(Input(1000, 558, u"FLAC"));
    // C = 186, T = 186, X = 500 - 253 = 247.
    EXPECT_EQ(l.artwork, (EdgeRect{247, 186, 433, 372}));
    EXPECT_EQ(l.artworkCorner, 31);
    EXPECT_EQ(l.noteSize, 62);
    ASSERT_EQ(l.texts.size(), 3u);
    EXPECT_EQ(U8(l.texts[0].text), "1:05");
    EXPECT_EQ(l.texts[0].fontHeight, 64);
    EXPECT_EQ(l.texts[0].box, (EdgeRect{455, 186, 980, 254}));
    EXPECT_EQ(U8(l.texts[1].text), "/ 3:05");
    EXPECT_EQ(l.texts[1].box, (EdgeRect{455, 258, 980, 278}));
    EXPECT_EQ(U8(l.texts[2].text), "song.mp3");
    EXPECT_TRUE(l.texts[2].endEllipsis);
    ASSERT_TRUE(l.hasBadge);
    EXPECT_EQ(l.badge.box, (EdgeRect{455, 160, 471 + 30, 182}));
    EXPECT_FALSE(ComputeMusicViewLayout(Input(1000, 558, u"")).hasBadge);
}

TEST(MusicView, LayoutSwitchesAbove150AndSizesClamp) {
    EXPECT_EQ(ComputeMusicViewLayout(Input(800, 150, u"")).artworkCorner, 12); // compact
    const MusicViewLayout small = ComputeMusicViewLayout(Input(800, 151, u""));
    EXPECT_EQ(small.artwork.right - small.artwork.left, 56); // H / 3 = 50, raised to 56
    EXPECT_EQ(small.texts[0].fontHeight, 28);
    // A narrow view keeps the artwork 24 pixels from the left edge.
    EXPECT_EQ(ComputeMusicViewLayout(Input(300, 900, u"")).artwork.left, 24);
    EXPECT_EQ(ComputeMusicViewLayout(Input(300, 900, u"")).artwork.right - 24, 200);
    EXPECT_FALSE(MusicViewDrawable(39, 500));
    EXPECT_FALSE(MusicViewDrawable(500, 39));
    EXPECT_TRUE(MusicViewDrawable(40, 40));
}

TEST(MusicView, NoteIconStaysInsideItsArtwork) {
    for (int c : {36, 56, 60, 120, 200}) {
        const int cx = 100 + c / 2, cy = 50 + c / 2;
        const NoteIcon n = ComputeNoteIcon(c / 3, cx, cy);
        for (const EdgeRect& r : {n.headLeft, n.headRight, n.stemLeft, n.stemRight}) {
            EXPECT_GE(r.left, 100) << c;
            EXPECT_LE(r.right, 100 + c) << c;
            EXPECT_GE(r.top, 50) << c;
            EXPECT_LE(r.bottom, 50 + c) << c;
            EXPECT_LT(r.left, r.right) << c;
            EXPECT_LT(r.top, r.bottom) << c;
        }
    }
}

TEST(MusicView, BackgroundDarkensDownwards) {
    EXPECT_EQ(MusicBackgroundRow(0, 84), MusicRgb(10, 10, 14));
    EXPECT_EQ(MusicBackgroundRow(83, 84), MusicRgb(23, 23, 27));
    EXPECT_EQ(MusicBackgroundRow(42, 84), MusicRgb(17, 17, 21));
}

TEST(MusicView, ExtensionLabelTable) {
    const struct {
        const char* path;
        const char* label;
    } cases[] = {
        {"C:\\Music\\song.mp3", "MP3"},   {"C:\\Music\\song.Flac", "FLAC"}, {"C:\\a.b\\song", ""},
        {"C:\\Music\\song.", ""},         {"C:\\Music\\song.m p3", ""},     {"C:\\Music\\my song.ogg", "OGG"},
        {"C:\\Music\\.hidden", "HIDDEN"}, {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(U8(ExtensionLabel(Utf8ToUtf16(c.path))), c.label) << c.path;
}

TEST(MusicView, ClockFollowsASeekDrag) {
    EXPECT_DOUBLE_EQ(ShownPosition(10, 200, 0.5, true), 100);
    EXPECT_DOUBLE_EQ(ShownPosition(10, 200, 0.5, false), 10);
    EXPECT_DOUBLE_EQ(ShownPosition(10, 0, 0.5, true), 10);   // unknown duration
    EXPECT_DOUBLE_EQ(ShownPosition(10, 200, -1, true), 10);  // no target yet
}

// The OSD hides at the first 250 ms tick after its 1.4 s; a second message restarts the time.
TEST(OsdLife, VisibleForOneAndAHalfSecondsWhateverTheTickPhase) {
    for (std::uint64_t phase : {0u, 1u, 125u, 249u}) {
        const std::uint64_t shownAt = 10000 + phase;
        std::uint64_t hideTick = OsdHideTickFor(shownAt);
        std::uint64_t hiddenAt = 0;
        for (std::uint64_t tick = 10000; hiddenAt == 0; tick += 250) {
            if (tick > shownAt && OsdDue(tick, hideTick))
                hiddenAt = tick;
        }
        EXPECT_GT(hiddenAt - shownAt, 1400u) << phase;
        EXPECT_LE(hiddenAt - shownAt, 1650u) << phase;
        // A second message 600 ms later lives 1.4 s from its own moment.
        hideTick = OsdHideTickFor(shownAt + 600);
        EXPECT_FALSE(OsdDue(shownAt + 1900, hideTick));
        EXPECT_TRUE(OsdDue(shownAt + 2001, hideTick));
    }
}

} // namespace
