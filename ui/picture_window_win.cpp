#include "ui/main_window_win.h"

#include <shellapi.h>

#include "base/no_throw.h"
#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "playlist/playlist_win.h"
#include "ui/commands_win.h"
#include "ui/frame_win.h"
#include "ui/picture_drag.h"
#include "ui/transport_win.h"
#include "ui/shell_state.h"
#include "diag/ui_text_win.h"

namespace {

constexpr COLORREF kStatusTextColour = RGB(220, 225, 228);
constexpr int kStatusTextMargin = 30;

ScreenPoint CursorNow() {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
}

} // namespace

void PaintStatusText(HDC dc, const RECT& client, std::u16string_view windowClass) {
    if (engine.statusText.empty())
        return;
    constexpr UINT kFlags = DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_NOCLIP;
    RECT area{client.left + kStatusTextMargin, client.top, client.right - kStatusTextMargin, client.bottom};
    // DT_VCENTER alone does not centre wrapped text, so measure the lines and centre them.
    RECT measured = area;
    DrawTextW(dc, Wide(engine.statusText), static_cast<int>(engine.statusText.size()), &measured,
              kFlags | DT_CALCRECT);
    const int textHeight = measured.bottom - measured.top;
    area.top = client.top + (client.bottom - client.top - textHeight) / 2;
    area.bottom = area.top + textHeight;
    SetTextColor(dc, kStatusTextColour);
    SetBkMode(dc, TRANSPARENT);
    DrawUiText(dc, windowClass, engine.statusText, &area, kFlags);
}

namespace {

void PaintPicture(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc && window == ui.music) {
        PaintMusicView(window, dc);
    } else if (dc) {
        const bool pictureShown = window == ui.video && PaintEnginePicture(dc, window);
        if (!pictureShown) {
            RECT client;
            GetClientRect(window, &client);
            FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            if (window == ui.video)
                PaintStatusText(dc, client, u"JaskelMFVideo");
        }
    }
    EndPaint(window, &ps);
}

void ArmDrag() {
    if (shell.isFullscreen)
        return;
    shell.videoDragState = 1;
    shell.videoDragStart = CursorNow();
}

void ContinueDrag(HWND window, WPARAM keys) {
    if (!(keys & MK_LBUTTON) || shell.videoDragState == 0)
        return;
    const ScreenPoint cursor = CursorNow();
    if (shell.videoDragState == 1) {
        if (!DragThresholdExceeded(shell.videoDragStart, cursor))
            return;
        shell.videoDragState = 2;
        SetCapture(window);
        if (ui.osd)
            ShowWindow(ui.osd, SW_HIDE);
        shell.videoDragLast = cursor;
        return;
    }
    const ScreenPoint delta = DragDelta(shell.videoDragLast, cursor);
    RECT frame;
    if (ui.main && GetWindowRect(ui.main, &frame)) {
        SetWindowPos(ui.main, nullptr, frame.left + delta.x, frame.top + delta.y, 0, 0,
                     SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE);
    }
    shell.videoDragLast = cursor;
}

void EndDrag() {
    const bool moving = shell.videoDragState == 2;
    shell.videoDragState = 0;
    if (moving)
        ReleaseCapture();
}

void OpenContextMenuAt(HWND window, LPARAM lParam) {
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(window, &point);
    ShowContextMenu(point.x, point.y);
}

LRESULT DispatchPictureMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        PaintPicture(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE:
        NoteMouseActivity();
        ContinueDrag(window, wParam);
        return 0;
    case WM_RBUTTONUP: OpenContextMenuAt(window, lParam); return 0;
    case WM_MBUTTONDOWN: ToggleFullscreen(); return 0;
    case WM_MOUSEWHEEL:
        StepVolume(GET_WHEEL_DELTA_WPARAM(wParam) <= 0 ? -0.03f : +0.03f);
        RepaintAll();
        return 0;
    case WM_LBUTTONDOWN:
        ArmDrag();
        return 0;
    case WM_LBUTTONUP:
        EndDrag();
        return 0;
    case WM_CAPTURECHANGED:
        shell.videoDragState = 0;
        return 0;
    case WM_LBUTTONDBLCLK:
        shell.videoDragState = 0;
        PlayPause();
        return 0;
    case WM_DROPFILES:
        DropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_APP_VIDEO_FRAME:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallNoThrow<LRESULT>(0, [&] { return DispatchPictureMessage(window, message, wParam, lParam); });
}
