// The seek-bar drag against a real playing session: one seek at the release by default, a seek on
// every move with the old policy, and an end of media that waits for the release.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine/playback_controls_win.h"
#include "tests/wine/playback_fixture_win.h"
#include "ui/transport_win.h"

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MediaFoundationEnvironment);

class SeekDragTest : public PlaybackTest {
  protected:
    // Opens the clips and waits until the first one plays.
    void Play(std::vector<std::u16string> clips) {
        playlist = std::move(clips);
        OpenItem(0);
        ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() > 0.1; }, 20000));
    }
    void TearDown() override {
        if (GetCapture() == main_)
            ReleaseCapture();
        PlaybackTest::TearDown();
    }
};

TEST_F(SeekDragTest, DefaultDragSeeksOnceAtTheRelease) {
    Play({MediaPath(L"h264_aac.mp4")});
    BeginSeekDrag(0.2);
    EXPECT_EQ(shell.mouseMode, 1);
    EXPECT_EQ(GetCapture(), main_);
    EXPECT_EQ(engine.seekTargetSec, -1) << "pressing does not seek";
    MoveSeekDrag(0.6);
    EXPECT_EQ(engine.seekTargetSec, -1) << "moving does not seek";
    EXPECT_NEAR(ShownPosition(), 0.6 * engine.durationSec, 1e-9) << "the bar shows the dragged place";
    EndMouseDrag();
    EXPECT_NEAR(engine.seekTargetSec, 0.6 * engine.durationSec, 1e-6) << "the one seek, at the release";
    EXPECT_EQ(shell.mouseMode, 0);
    EXPECT_EQ(shell.dragTarget, -1);
    EXPECT_NE(GetCapture(), main_);
}

TEST_F(SeekDragTest, OldPolicySeeksOnPressAndEveryMoveButNotAtTheRelease) {
    engine.dragOld = true;
    Play({MediaPath(L"h264_aac.mp4")});
    BeginSeekDrag(0.2);
    EXPECT_NEAR(engine.seekTargetSec, 0.2 * engine.durationSec, 1e-6);
    MoveSeekDrag(0.6);
    EXPECT_NEAR(engine.seekTargetSec, 0.6 * engine.durationSec, 1e-6);
    engine.seekTargetSec = 77; // any seek at the release would overwrite it
    EndMouseDrag();
    EXPECT_EQ(engine.seekTargetSec, 77);
}

TEST_F(SeekDragTest, EndDuringADragWaitsAndAnAbortedDragHoldsAtTheEnd) {
    Play({MediaPath(L"h264_aac.mp4"), MediaPath(L"solid43.mp4")});
    BeginSeekDrag(0.1);
    ASSERT_TRUE(WaitUntil([] { return engine.endDeferred; }, 20000)) << "the two-second clip ends under the thumb";
    EXPECT_EQ(currentIndex, 0) << "nothing advances while the thumb is held";
    EXPECT_FALSE(engine.paused);
    ReleaseCapture(); // taken away, as by Alt+Tab
    PumpMessagesFor(100);
    EXPECT_TRUE(engine.paused) << "left at its end";
    EXPECT_FALSE(engine.endDeferred);
    EXPECT_EQ(shell.mouseMode, 0);
}

TEST_F(SeekDragTest, ReleaseAfterADeferredEndPlaysFromTheDroppedPlace) {
    Play({MediaPath(L"h264_aac.mp4"), MediaPath(L"solid43.mp4")});
    BeginSeekDrag(0.1);
    ASSERT_TRUE(WaitUntil([] { return engine.endDeferred; }, 20000));
    MoveSeekDrag(0.25);
    EndMouseDrag();
    EXPECT_FALSE(engine.endDeferred);
    // The session takes the new place asynchronously: wait until its clock runs from there.
    ASSERT_TRUE(WaitUntil(
        [] {
            const double clock = SessionClockSeconds();
            return clock > 0.6 && clock < 1.6;
        },
        5000))
        << "it plays again from 0.5 s";
    EXPECT_EQ(currentIndex, 0);
    EXPECT_FALSE(engine.paused);
}

TEST_F(SeekDragTest, WithoutEndDeferralTheNextItemStartsDuringTheDrag) {
    engine.noEndDefer = true;
    Play({MediaPath(L"h264_aac.mp4"), MediaPath(L"solid43.mp4")});
    BeginSeekDrag(0.1);
    ASSERT_TRUE(WaitUntil([] { return currentIndex == 1; }, 20000)) << "the end advances at once";
    EXPECT_EQ(shell.mouseMode, 0) << "opening the next item ends the drag";
    EXPECT_NE(GetCapture(), main_);
}

} // namespace
