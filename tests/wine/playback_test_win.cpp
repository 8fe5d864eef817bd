// Real playback through Media Foundation (under Wine: its GStreamer back end, audio into a
// PulseAudio null sink) of short clips that scripts/make-test-media.sh makes at test time.
#include <gtest/gtest.h>

#include <windows.h>
#include <mfapi.h>
#include <objbase.h>

#include <cstdlib>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/mfplay_win.h"
#include "engine/session/session_engine_win.h"
#include "engine/video/frame_sink_win.h"
#include "i18n/i18n_win.h"
#include "playlist/playlist_state.h"
#include "tests/wine/playback_fixture_win.h"
#include "tests/wine/test_support_win.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MediaFoundationEnvironment);

TEST_F(PlaybackTest, SessionEnginePlaysEachKindOfClipToTheEnd) {
    const struct {
        const wchar_t* file;
        bool hasVideo;
    } clips[] = {
        {L"h264_aac.mp4", true}, {L"vp8_vorbis.webm", true}, {L"vp9_opus.webm", true},
        {L"tone48k.wav", false}, {L"music.m4a", false},
    };
    for (const auto& clip : clips) {
        const long paintedBefore = PaintedVideoFrames();
        ASSERT_TRUE(PlayToEnd({MediaPath(clip.file)})) << Utf8FromWide(clip.file) << " "
                                                       << Utf16ToUtf8Test(engine.statusText);
        EXPECT_TRUE(engine.statusText.empty());
        EXPECT_EQ(engine.hasVideo, clip.hasVideo) << Utf8FromWide(clip.file);
        EXPECT_NEAR(engine.durationSec, 2.0, 0.3) << Utf8FromWide(clip.file);
        EXPECT_EQ(IsWindowVisible(ui.music) != FALSE, !clip.hasVideo) << "music view for audio only";
        if (clip.hasVideo) {
            EXPECT_GT(sessionEngine->frameSink->ConvertedFrames(), 10) << Utf8FromWide(clip.file);
            EXPECT_GT(PaintedVideoFrames(), paintedBefore) << Utf8FromWide(clip.file);
        }
    }
}

TEST_F(PlaybackTest, PictureIsLetterboxedWithTheClipsColour) {
    playlist = {MediaPath(L"solid43.mp4")};
    OpenItem(0);
    ASSERT_TRUE(WaitUntil([] { return sessionEngine && sessionEngine->frameSink->ConvertedFrames() > 5; }, 20000));
    PlayPause(); // hold the picture still
    InvalidateRect(ui.video, nullptr, FALSE);
    UpdateWindow(ui.video);
    RECT rc;
    GetClientRect(ui.video, &rc);
    HDC dc = GetDC(ui.video);
    const COLORREF centre = GetPixel(dc, rc.right / 2, rc.bottom / 2);
    const COLORREF leftBar = GetPixel(dc, 10, rc.bottom / 2);
    const COLORREF rightBar = GetPixel(dc, rc.right - 10, rc.bottom / 2);
    const int pictureWidth = rc.bottom * 4 / 3;
    const COLORREF insideLeftEdge = GetPixel(dc, (rc.right - pictureWidth) / 2 + 3, rc.bottom / 2);
    ReleaseDC(ui.video, dc);
    ASSERT_GT(rc.right, rc.bottom * 4 / 3 + 40) << "the window is wider than 4:3";
    for (const COLORREF c : {centre, insideLeftEdge}) {
        EXPECT_NEAR(GetRValue(c), 0x20, 12);
        EXPECT_NEAR(GetGValue(c), 0x50, 12);
        EXPECT_NEAR(GetBValue(c), 0xC0, 12);
    }
    EXPECT_EQ(leftBar, RGB(0, 0, 0));
    EXPECT_EQ(rightBar, RGB(0, 0, 0));
}

TEST_F(PlaybackTest, GarbageFileSaysItCannotBeOpened) {
    playlist = {MediaPath(L"garbage.mp4")};
    OpenItem(0);
    EXPECT_EQ(engine.statusText, U16(I18nText(L"이 파일을 열 수 없습니다.")));
    EXPECT_EQ(sessionEngine, nullptr);
    EXPECT_EQ(currentIndex, 0) << "a failed open leaves the item current";
    PumpMessagesFor(600); // the window keeps running its tick
    EXPECT_TRUE(IsWindow(main_));
}

TEST_F(PlaybackTest, PlayPauseBeforeReadyStartsPaused) {
    playlist = {MediaPath(L"h264_aac.mp4")};
    OpenItem(0);
    PlayPause(); // the topology is not ready yet: only the wish is recorded
    EXPECT_TRUE(engine.paused);
    ASSERT_TRUE(WaitUntil([] { return sessionEngine && sessionEngine->ready; }, 20000));
    PumpMessagesFor(1200);
    EXPECT_LT(SessionClockSeconds(), 0.3) << "held at the start";
}

// Wine 8's session ignores Start(position) while it runs (it moves only after Pause or Stop), so
// the return to 0 is checked from a paused session; from a running one only the hold is.
TEST_F(PlaybackTest, StopThenPlayPauseStartsAgainFromZero) {
    playlist = {MediaPath(L"h264_aac.mp4")};
    OpenItem(0);
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() > 1.0; }, 20000));
    PlayPause();
    ASSERT_TRUE(engine.paused);
    Stop();
    EXPECT_TRUE(engine.paused);
    EXPECT_EQ(engine.seekTargetSec, 0);
    PumpMessagesFor(300);
    PlayPause();
    EXPECT_FALSE(engine.paused);
    PumpMessagesFor(300);
    EXPECT_LT(SessionClockSeconds(), 0.9);
}

TEST_F(PlaybackTest, StopWhilePlayingHoldsThePicture) {
    playlist = {MediaPath(L"h264_aac.mp4")};
    OpenItem(0);
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() > 0.5; }, 20000));
    Stop();
    EXPECT_TRUE(engine.paused);
    PumpMessagesFor(200);
    const double held = SessionClockSeconds();
    PumpMessagesFor(500);
    EXPECT_NEAR(SessionClockSeconds(), held, 0.05);
}

} // namespace
