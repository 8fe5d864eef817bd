#pragma once
// Geometry of the main window's children, computed from the client size and the shell state.

inline constexpr int kTitleBarHeight = 36;
inline constexpr int kControlBarHeight = 66;
inline constexpr int kPanelWidth = 300;

struct LayoutRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const LayoutRect&) const = default;
};

struct LayoutInput {
    int clientWidth = 0;
    int clientHeight = 0;
    bool playlistVisible = false;
    bool isFullscreen = false;
    bool controlsShown = true;
    bool hasVideo = false;
    bool currentIndexValid = false;
};

struct LayoutResult {
    LayoutRect picture; // the video window and the music view share it
    LayoutRect panel;
    bool musicShown = false; // otherwise the video window is shown
    bool panelShown = false;
};

LayoutResult ComputeLayout(const LayoutInput& in);

// The strip the interface tick repaints to keep the time display and seek bar moving.
LayoutRect ControlBarStrip(int clientWidth, int clientHeight);
