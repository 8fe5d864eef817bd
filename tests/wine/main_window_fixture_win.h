#pragma once
// A real main window in the test process, on fresh process-wide state, destroyed after the test.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/diag_state_win.h"
#include "app/layers_win.h"
#include "engine/engine_state.h"
#include "playlist/playlist_state.h"
#include "playlist/playlist_win.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"

class MainWindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        engine = EngineState{};
        shell.windowClosing = false;
        shell.playlistVisible = false;
        playlist.clear();
        currentIndex = -1;
        diagRecord = {};
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(RegisterMainWindowClass(instance, false, nullptr));
        main_ = CreateMainWindow(instance, false);
        ASSERT_NE(main_, nullptr);
        ConnectLayers();
        ShowWindow(main_, SW_SHOW);
        LayoutChildren(main_);
    }

    void TearDown() override {
        if (IsWindow(main_))
            DestroyWindow(main_);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        } // drops the WM_QUIT of the destroyed window
        ui = {};
    }

    HWND main_ = nullptr;
};
