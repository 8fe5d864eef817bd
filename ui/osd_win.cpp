#include "ui/osd_win.h"

#include <windows.h>

#include "base/wide_win.h"
#include "diag/ui_text_win.h"
#include "ui/gdi_win.h"
#include "ui/main_window_win.h"

OsdState osd;

namespace {

constexpr COLORREF kOsdBackground = RGB(12, 14, 17);
constexpr COLORREF kOsdText = RGB(126, 214, 138);
constexpr POINT kOsdOffset{16, 14}; // from the picture's top-left corner
constexpr int kOsdPadX = 30;
constexpr int kOsdPadY = 16;
constexpr int kOsdTextInset = 14;

HFONT CreateOsdFont() { return CreateUiFont(24, 600); }

void PaintOsd(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc) {
        RECT client{};
        GetClientRect(window, &client);
        FillSolid(dc, client, kOsdBackground);
        GdiObject<HFONT> font(CreateOsdFont());
        Selection selected(dc, font.Get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kOsdText);
        RECT text = client;
        text.left += kOsdTextInset;
        DrawUiText(dc, u"JaskelMFOsd", osd.text, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    }
    EndPaint(window, &ps);
}

} // namespace

void ShowOsd(const std::u16string& text) {
    osd.text = text;
    osd.hideTick = OsdHideTickFor(GetTickCount64());
    ++osd.count;
    if (ui.main)
        PostMessageW(ui.main, WM_APP_SHOW_OSD, 0, 0);
}

void PlaceOsd() {
    if (!ui.osd || !ui.video || osd.text.empty())
        return;
    GdiObject<HFONT> font(CreateOsdFont());
    const SIZE size = MeasureUiText(ui.osd, font.Get(), osd.text);
    POINT corner = kOsdOffset;
    ClientToScreen(ui.video, &corner);
    SetWindowPos(ui.osd, HWND_TOPMOST, corner.x, corner.y, size.cx + kOsdPadX, size.cy + kOsdPadY,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(ui.osd, nullptr, TRUE);
}

void HideOsdWhenDue() {
    if (ui.osd && IsWindowVisible(ui.osd) && OsdDue(GetTickCount64(), osd.hideTick))
        ShowWindow(ui.osd, SW_HIDE);
}

LRESULT CALLBACK OsdWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintOsd(window);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
