#include "ui/title_bar_win.h"

#include "base/wide_win.h"
#include "diag/ui_text_win.h"
#include "i18n/i18n_win.h"
#include "playlist/playlist_state.h"
#include "ui/frame_geometry.h"
#include "ui/gdi_win.h"
#include "ui/item_text.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"

namespace {

constexpr COLORREF kTitleBarColour = RGB(13, 14, 20);
constexpr COLORREF kProgramNameColour = RGB(220, 230, 245);
constexpr COLORREF kItemNameColour = RGB(205, 210, 216);
constexpr COLORREF kGlyphColour = RGB(205, 210, 216);
constexpr COLORREF kCloseGlyphColour = RGB(220, 225, 228);

int ClientWidth(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client.right;
}

LRESULT CalcClientArea(HWND window, LPARAM lParam) {
    auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
    UINT dpi = GetDpiForWindow(window);
    if (dpi == 0)
        dpi = 96;
    const int padded = GetSystemMetricsForDpi(SM_CXPADDEDBORDER, dpi);
    const int frameX = padded + GetSystemMetricsForDpi(SM_CXFRAME, dpi);
    const int frameY = padded + GetSystemMetricsForDpi(SM_CYFRAME, dpi);
    RECT& r = params->rgrc[0];
    const EdgeRect client = ClientFromProposed({r.left, r.top, r.right, r.bottom}, frameX, frameY, IsZoomed(window));
    r = ToRect(client);
    return 0;
}

bool HitTest(HWND window, LPARAM lParam, LRESULT& result) {
    if (shell.isFullscreen) {
        result = HTCLIENT;
        return true;
    }
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(window, &point);
    switch (HitTestFrame(point.x, point.y, ClientWidth(window), IsZoomed(window))) {
    case FrameHit::System: return false;
    case FrameHit::TopLeft: result = HTTOPLEFT; return true;
    case FrameHit::Top: result = HTTOP; return true;
    case FrameHit::TopRight: result = HTTOPRIGHT; return true;
    case FrameHit::Caption: result = HTCAPTION; return true;
    case FrameHit::Client: result = HTCLIENT; return true;
    }
    return false;
}

void RaiseMinimumSize(HWND window, LPARAM lParam) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    RECT frame{0, 0, kMinClientWidth, kMinClientHeight};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    if (!AdjustWindowRectEx(&frame, style, GetMenu(window) != nullptr, exStyle))
        return;
    const ClientSize raised = RaiseMinimumTrackSize({info->ptMinTrackSize.x, info->ptMinTrackSize.y},
                                                    {frame.right - frame.left, frame.bottom - frame.top});
    info->ptMinTrackSize = {raised.width, raised.height};
}

} // namespace

bool HandleFrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_NCCALCSIZE:
        if (!wParam || shell.isFullscreen)
            return false;
        result = CalcClientArea(window, lParam);
        return true;
    case WM_NCHITTEST:
        return HitTest(window, lParam, result);
    case WM_GETMINMAXINFO:
        RaiseMinimumSize(window, lParam);
        result = 0;
        return true;
    }
    return false;
}

bool PressCaptionButton(HWND window, POINT client) {
    if (shell.isFullscreen)
        return false;
    switch (CaptionButtonAt(client.x, client.y, ClientWidth(window))) {
    case CaptionButton::Close:
        PostMessageW(window, WM_CLOSE, 0, 0);
        return true;
    case CaptionButton::Maximise:
        SendMessageW(window, WM_SYSCOMMAND, IsZoomed(window) ? SC_RESTORE : SC_MAXIMIZE, 0);
        return true;
    case CaptionButton::Minimise:
        SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return true;
    case CaptionButton::None:
        return false;
    }
    return false;
}

namespace {

void DrawTitleText(HDC dc, const std::u16string& text, const EdgeRect& box, int height, int weight, COLORREF colour,
                   UINT align) {
    DrawFontLine(dc, u"JaskelMFPlayer", text, box, height, weight, colour, DT_VCENTER | align);
}

void StrokeLine(HDC dc, const GlyphLine& l) {
    MoveToEx(dc, l.x1, l.y1, nullptr);
    LineTo(dc, l.x2, l.y2);
}

void DrawCaptionGlyphs(HDC dc, const TitleBarLayout& t, bool maximised) {
    {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kGlyphColour));
        Selection selectedPen(dc, pen.Get());
        Selection hollow(dc, GetStockObject(NULL_BRUSH));
        StrokeLine(dc, t.minimise);
        if (maximised)
            Rectangle(dc, t.maximiseBack.left, t.maximiseBack.top, t.maximiseBack.right, t.maximiseBack.bottom);
        Rectangle(dc, t.maximiseFront.left, t.maximiseFront.top, t.maximiseFront.right, t.maximiseFront.bottom);
    }
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, kCloseGlyphColour));
    Selection selectedPen(dc, pen.Get());
    StrokeLine(dc, t.closeDown);
    StrokeLine(dc, t.closeUp);
}

void PaintTitleBand(HDC dc, int width, bool maximised) {
    const TitleBarLayout t = ComputeTitleBarLayout(width, maximised);
    FillSolid(dc, RECT{0, 0, width, kTitleBarHeight}, kTitleBarColour);
    DrawTitleText(dc, U16(I18nText(L"Jaskel Player")), t.programName, 19, 600, kProgramNameColour, DT_LEFT);
    if (CurrentIndexValid()) {
        const std::u16string name = DisplayName(playlist[static_cast<size_t>(currentIndex)]);
        if (!name.empty())
            DrawTitleText(dc, name, t.itemName, 16, 400, kItemNameColour, DT_CENTER | DT_END_ELLIPSIS);
    }
    DrawCaptionGlyphs(dc, t, maximised);
}

} // namespace

void PaintTitleBar(HWND main, HDC dc) {
    if (shell.isFullscreen)
        return;
    const int width = ClientWidth(main);
    if (width <= 0)
        return;
    BackBuffer buffer(dc, RECT{0, 0, width, kTitleBarHeight});
    if (!buffer.Ready()) {
        PaintTitleBand(dc, width, IsZoomed(main));
        return;
    }
    PaintTitleBand(buffer.Dc(), width, IsZoomed(main));
    buffer.CopyToTarget();
}
