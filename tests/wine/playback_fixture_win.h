#pragma once
// Shared by the playback tests: Media Foundation for the test process, the generated clips and a
// main window whose engine plays them.
#include <gtest/gtest.h>

#include <windows.h>
#include <mfapi.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/mfplay_win.h"
#include "engine/session/session_engine_win.h"
#include "playlist/playlist_state.h"
#include "tests/wine/main_window_fixture_win.h"
#include "tests/wine/test_support_win.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"

class MediaFoundationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_FULL)));
    }
    void TearDown() override {
        MFShutdown();
        CoUninitialize();
    }
};

inline std::string Utf16ToUtf8Test(const std::u16string& text) { return Utf8FromWide(Wide(text)); }

inline std::u16string MediaPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH * 2] = L"";
    if (!GetEnvironmentVariableW(L"JK_TEST_MEDIA", folder, ARRAYSIZE(folder))) {
        ADD_FAILURE() << "JK_TEST_MEDIA is not set: run the tests through scripts/test.sh";
        return u"";
    }
    return U16(folder) + u"\\" + U16(name);
}

class PlaybackTest : public MainWindowFixture {
  protected:
    void UseMfplay() {
        engine.engineKind = EngineKind::MFPlay;
        ASSERT_TRUE(CreateEngineAtStartup(main_));
        ASSERT_NE(mfplayPlayer, nullptr);
    }

    // Opens the files as a playlist and the first of them; true once it played to its end.
    bool PlayToEnd(std::vector<std::u16string> files, DWORD timeoutMs = 20000) {
        playlist = std::move(files);
        OpenItem(0);
        return WaitUntil([] { return engine.paused || (!engine.statusText.empty() && !engine.examining); }, timeoutMs) &&
               engine.paused;
    }
};

