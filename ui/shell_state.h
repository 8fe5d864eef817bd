#pragma once
// The shell state of the main window: user-interface thread only, except windowClosing, which the
// WebM scan thread reads.
#include <atomic>
#include <cstdint>

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

struct ShellState {
    bool isFullscreen = false;
    bool controlsShown = true; // windowed mode always shows the control bar
    bool playlistVisible = false;
    bool compactMusicMode = false; // the compact music size is in effect (or music started maximised)
    int hoverControl = -1;
    int tooltipControl = -1;
    std::uint64_t hoverStartTick = 0;
    int mouseMode = 0; // 0 none, 1 seek drag, 2 volume drag, 3 play button held
    double dragTarget = -1; // the seek-bar fraction under the pointer during a seek drag
    bool menuOpen = false;
    int paintCount = 0;
    std::atomic<bool> windowClosing{false};
    int videoDragState = 0; // 0 idle, 1 pressed on the picture, 2 moving the window
    ScreenPoint videoDragStart;
    ScreenPoint videoDragLast;
};

extern ShellState shell;
