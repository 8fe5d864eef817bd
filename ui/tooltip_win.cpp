#include "ui/tooltip_win.h"

#include "base/wide_win.h"
#include "diag/ui_text_win.h"
#include "engine/engine_state.h"
#include "i18n/i18n_win.h"
#include "ui/control_bar.h"
#include "ui/gdi_win.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"
#include "ui/tooltip_place.h"
#include "ui/transport_state.h"

std::u16string tooltipText;

namespace {

constexpr COLORREF kTipBackground = RGB(38, 42, 50);
constexpr COLORREF kTipBorder = RGB(96, 102, 114);
constexpr COLORREF kTipText = RGB(238, 240, 242);

HFONT CreateTipFont() { return CreateUiFont(-15, 500); }

const wchar_t* RepeatText() {
    if (transport.repeatMode == 1)
        return L"반복: 전체";
    return transport.repeatMode == 2 ? L"반복: 한 항목" : L"반복";
}

const wchar_t* ZoneSource(int zone) {
    switch (zone) {
    case kZonePlaylist: return L"재생 목록";
    case kZoneRepeat: return RepeatText();
    case kZoneAb: return transport.loopActive ? L"A-B 반복 중" : L"A-B 반복";
    case kZonePrevious: return L"이전 파일";
    case kZoneBack10: return L"10초 뒤로";
    case kZonePlay: return engine.paused ? L"재생" : L"일시 정지";
    case kZoneForward10: return L"10초 앞으로";
    case kZoneNext: return L"다음 파일";
    case kZoneSpeed: return L"재생 속도";
    case kZoneMute: return engine.muted ? L"음소거 해제" : L"음소거";
    case kZoneFullscreen: return L"전체 화면";
    default: return nullptr;
    }
}

ScreenRect ZoneOnScreen(int zone) {
    RECT client{};
    GetClientRect(ui.main, &client);
    const BarRect r = ZoneRect(ComputeControlBarLayout(client.right, client.bottom), zone);
    POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
    MapWindowPoints(ui.main, HWND_DESKTOP, corners, 2);
    return {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

std::optional<ScreenRect> WorkArea() {
    MONITORINFO monitor{sizeof monitor};
    if (!GetMonitorInfoW(MonitorFromWindow(ui.main, MONITOR_DEFAULTTONEAREST), &monitor))
        return std::nullopt;
    const RECT& w = monitor.rcWork;
    return ScreenRect{w.left, w.top, w.right, w.bottom};
}

void PaintTip(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc) {
        RECT client{};
        GetClientRect(window, &client);
        FillSolid(dc, client, kTipBackground);
        GdiObject<HBRUSH> border(CreateSolidBrush(kTipBorder));
        FrameRect(dc, &client, border.Get());
        GdiObject<HFONT> font(CreateTipFont());
        Selection selected(dc, font.Get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kTipText);
        DrawUiText(dc, u"JaskelMFTip", tooltipText, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    }
    EndPaint(window, &ps);
}

} // namespace

std::u16string TooltipTextFor(int zone) {
    const wchar_t* source = ZoneSource(zone);
    return source ? U16(I18nText(source)) : std::u16string();
}

void ShowTooltip(int zone) {
    const std::u16string text = TooltipTextFor(zone);
    if (!ui.tip || !ui.main || text.empty())
        return;
    tooltipText = text;
    GdiObject<HFONT> font(CreateTipFont());
    const SIZE size = MeasureUiText(ui.tip, font.Get(), text);
    const TooltipBox box = PlaceTooltip(ZoneOnScreen(zone), size.cx, size.cy, WorkArea());
    SetWindowPos(ui.tip, HWND_TOPMOST, box.x, box.y, box.width, box.height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(ui.tip, nullptr, TRUE);
    shell.tooltipControl = zone;
}

void ShowTooltipWhenDue() {
    if (shell.mouseMode != 0 || shell.menuOpen || shell.hoverControl == -1 ||
        shell.hoverControl == shell.tooltipControl)
        return;
    if (GetTickCount64() - shell.hoverStartTick >= kTooltipDelayMs)
        ShowTooltip(shell.hoverControl);
}

LRESULT CALLBACK TipWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintTip(window);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
