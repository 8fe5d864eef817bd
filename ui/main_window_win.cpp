#include "ui/main_window_win.h"

#include <shellapi.h>

#include "base/no_throw.h"
#include "diag/state_notice.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/mfplay_win.h"
#include "engine/session/session_engine_win.h"
#include "playlist/playlist_win.h"
#include "playlist/playlist_state.h"
#include "ui/commands_win.h"
#include "ui/control_bar_win.h"
#include "ui/frame_win.h"
#include "ui/title_bar_win.h"
#include "ui/layout.h"
#include "ui/osd_win.h"
#include "ui/tooltip_win.h"
#include "ui/shell_state.h"
#include "ui/transport_win.h"

WindowHooks windowHooks;

namespace {

RECT ToRect(const LayoutRect& r) {
    return {r.x, r.y, r.x + r.width, r.y + r.height};
}

void MoveChild(HWND child, const LayoutRect& r) {
    if (child)
        MoveWindow(child, r.x, r.y, r.width, r.height, TRUE);
}

void ShowChild(HWND child, bool shown) {
    if (child)
        ShowWindow(child, shown ? SW_SHOW : SW_HIDE);
}

void OnCreate(HWND window) {
    ui.main = window;
    CreateChildWindows(window);
    // The music view takes no drops: audio files arrive through the picture or the panel.
    DragAcceptFiles(window, TRUE);
    if (ui.video)
        DragAcceptFiles(ui.video, TRUE);
    if (ui.panel)
        DragAcceptFiles(ui.panel, TRUE);
    SetTimer(window, kTickTimerId, kTickMilliseconds, nullptr);
}

void OnDestroy(HWND window) {
    shell.windowClosing.exchange(true);
    KillTimer(window, kTickTimerId);
    RemoveKeyboardHook();
    ShutDownEngine();
    NotifyStateChanged();
    PostQuitMessage(0);
}

void OnSize(HWND window, WPARAM kind) {
    if (kind == SIZE_RESTORED)
        UpdateCompactSize();
    HideTooltip();
    shell.hoverControl = -1;
    LayoutChildren(window);
    InvalidateRect(window, nullptr, FALSE);
}

void OnPaint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc) {
        PaintTitleBar(window, dc);
        PaintControlBar(window, dc);
        ++shell.paintCount;
    }
    EndPaint(window, &ps);
}

void OnTick(HWND window) {
    const bool endOfList = engine.engineKind == EngineKind::Session && PollSessionEvents();
    if (!endOfList && !engine.paused) {
        RECT client;
        GetClientRect(window, &client);
        const RECT strip = ToRect(ControlBarStrip(client.right, client.bottom));
        InvalidateRect(window, &strip, FALSE);
        if (ui.music && IsWindowVisible(ui.music))
            InvalidateRect(ui.music, nullptr, FALSE);
    }
    AutoHideControls();
    HideOsdWhenDue();
    ShowTooltipWhenDue();
    if (shell.mouseMode != 1)
        CheckLoop();
    NotifyStateChanged();
}

POINT PointOf(LPARAM lParam) { return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

void OnLeftButtonDown(HWND window, LPARAM lParam) {
    HideTooltip();
    shell.hoverStartTick = GetTickCount64();
    const POINT point = PointOf(lParam);
    if (!shell.isFullscreen && point.y < kTitleBarHeight) {
        PressCaptionButton(window, point); // the rest of the band is the system's caption
        return;
    }
    OnControlBarButtonDown(window, point);
}

void OnRightButtonUp(HWND window, LPARAM lParam) {
    POINT point = PointOf(lParam);
    ClientToScreen(window, &point);
    ShowContextMenu(point.x, point.y);
}

void OnWheel(WPARAM wParam) {
    StepVolume(GET_WHEEL_DELTA_WPARAM(wParam) >= 1 ? +0.03f : -0.03f);
    RepaintAll();
}

void OnCopyData(HWND window, LPARAM lParam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data != nullptr && windowHooks.copyData)
        windowHooks.copyData(window, *data);
}

void OnDpiChanged(HWND window, LPARAM lParam) {
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOACTIVATE | SWP_NOZORDER);
    }
    LayoutChildren(window);
    InvalidateRect(window, nullptr, TRUE);
}

void NoteMouseLeft() {
    shell.hoverControl = -1;
    HideTooltip();
}

} // namespace

namespace {

LRESULT DispatchMainMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT frameResult = 0;
    if (HandleFrameMessage(window, message, wParam, lParam, frameResult))
        return frameResult;
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    case WM_SIZE:
        OnSize(window, wParam);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            NoteMouseLeft();
        return DefWindowProcW(window, message, wParam, lParam); // keeps the system's focus handling
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_COPYDATA:
        OnCopyData(window, lParam);
        return TRUE;
    case WM_TIMER:
        if (wParam == kTickTimerId)
            OnTick(window);
        return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(window, lParam); return 0;
    case WM_LBUTTONUP:
        if (shell.mouseMode != 0)
            OnControlBarButtonUp(window);
        return 0;
    case WM_MOUSEMOVE:
        NoteMouseActivity();
        OnControlBarMouseMove(window, PointOf(lParam));
        return 0;
    case WM_CAPTURECHANGED: LoseMouseCapture(); return 0;
    case WM_MBUTTONDOWN: ToggleFullscreen(); return 0;
    case WM_RBUTTONUP: OnRightButtonUp(window, lParam); return 0;
    case WM_MOUSEWHEEL: OnWheel(wParam); return 0;
    case WM_COMMAND: DispatchCommand(LOWORD(wParam)); return 0;
    case WM_APP_SHOW_OSD: PlaceOsd(); return 0;
    case WM_DROPFILES:
        DropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_MOUSELEAVE:
        NoteMouseLeft();
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(window, lParam);
        return 0;
    case WM_APP_SCAN_RESULT:
        HandleScanResult(wParam, lParam, CurrentIndexValid());
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallNoThrow<LRESULT>(0, [&] { return DispatchMainMessage(window, message, wParam, lParam); });
}

void LayoutChildren(HWND main) {
    RECT client{};
    GetClientRect(main, &client);
    LayoutInput in;
    in.clientWidth = client.right;
    in.clientHeight = client.bottom;
    in.playlistVisible = shell.playlistVisible;
    in.isFullscreen = shell.isFullscreen;
    in.controlsShown = shell.controlsShown;
    in.hasVideo = engine.hasVideo;
    in.currentIndexValid = CurrentIndexValid();
    const LayoutResult layout = ComputeLayout(in);

    MoveChild(ui.video, layout.picture);
    MoveChild(ui.music, layout.picture);
    if (layout.musicShown && ui.music) {
        ShowChild(ui.video, false);
        ShowWindow(ui.music, SW_SHOW);
        SetWindowPos(ui.music, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        ShowChild(ui.music, false);
        ShowChild(ui.video, true);
    }
    MoveChild(ui.panel, layout.panel);
    ShowChild(ui.panel, layout.panelShown);
    if (engine.engineKind == EngineKind::MFPlay) {
        if (mfplayPlayer)
            mfplayPlayer->UpdateVideo();
    } else if (ui.video) {
        InvalidateRect(ui.video, nullptr, FALSE);
    }
}

void RepaintAll() {
    if (ui.main)
        InvalidateRect(ui.main, nullptr, FALSE);
    if (ui.video)
        InvalidateRect(ui.video, nullptr, FALSE);
    if (ui.music && IsWindowVisible(ui.music))
        InvalidateRect(ui.music, nullptr, FALSE);
    if (ui.panel && shell.playlistVisible)
        InvalidateRect(ui.panel, nullptr, FALSE);
}

void HideTooltip() {
    if (ui.tip && IsWindowVisible(ui.tip))
        ShowWindow(ui.tip, SW_HIDE);
    shell.tooltipControl = -1;
}
