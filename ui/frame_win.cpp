#include "ui/frame_win.h"

#include "diag/state_notice.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"

namespace {

constexpr LONG_PTR kFrameStyles = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr ULONGLONG kControlsHideMs = 2500;

WINDOWPLACEMENT savedPlacement{sizeof(WINDOWPLACEMENT)};
POINT lastCursorPos{};
ULONGLONG lastMouseActivityTick = 0;

void SetFrameStyles(HWND window, bool on) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    SetWindowLongPtrW(window, GWL_STYLE, on ? (style | kFrameStyles) : (style & ~kFrameStyles));
}

void EnterFullscreen(HWND window) {
    MONITORINFO monitor{sizeof monitor};
    savedPlacement.length = sizeof savedPlacement;
    if (!GetWindowPlacement(window, &savedPlacement) ||
        !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    SetFrameStyles(window, false);
    shell.isFullscreen = true;
    shell.controlsShown = false;
    GetCursorPos(&lastCursorPos);
    lastMouseActivityTick = GetTickCount64();
    const RECT& r = monitor.rcMonitor;
    SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
}

void LeaveFullscreen(HWND window) {
    SetFrameStyles(window, true);
    shell.controlsShown = true;
    shell.isFullscreen = false;
    SetWindowPlacement(window, &savedPlacement);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
}

} // namespace

void ToggleFullscreen() {
    if (!ui.main)
        return;
    if (shell.isFullscreen) {
        LeaveFullscreen(ui.main);
        UpdateCompactSize();
    } else {
        EnterFullscreen(ui.main);
    }
    LayoutChildren(ui.main);
    InvalidateRect(ui.main, nullptr, FALSE);
    NotifyStateChanged();
}

void TogglePlaylistPanel() {
    shell.playlistVisible = !shell.playlistVisible;
    if (ui.main) {
        ResizeForPanel(ui.main, shell.playlistVisible);
        LayoutChildren(ui.main);
    }
    RepaintAll();
    NotifyStateChanged();
}

void NoteMouseActivity() {
    if (!shell.isFullscreen)
        return;
    POINT cursor{};
    GetCursorPos(&cursor);
    if (cursor.x == lastCursorPos.x && cursor.y == lastCursorPos.y)
        return; // a move message without movement
    lastCursorPos = cursor;
    lastMouseActivityTick = GetTickCount64();
    if (shell.controlsShown || !ui.main)
        return;
    shell.controlsShown = true;
    LayoutChildren(ui.main);
    InvalidateRect(ui.main, nullptr, FALSE);
}

void AutoHideControls() {
    if (!shell.isFullscreen || !shell.controlsShown || shell.mouseMode != 0 || shell.menuOpen)
        return;
    if (GetTickCount64() - lastMouseActivityTick <= kControlsHideMs)
        return;
    shell.controlsShown = false;
    HideTooltip();
    shell.hoverControl = -1;
    if (ui.main) {
        LayoutChildren(ui.main);
        InvalidateRect(ui.main, nullptr, FALSE);
    }
}
