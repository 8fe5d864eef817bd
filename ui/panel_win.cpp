#include "ui/panel_win.h"

#include <windowsx.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/wide_win.h"
#include "diag/ui_text_win.h"
#include "i18n/i18n_win.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_state.h"
#include "playlist/playlist_win.h"
#include "ui/gdi_win.h"
#include "ui/main_window_win.h"
#include "ui/panel_rows.h"
#include "ui/playback_info_win.h"

namespace {

constexpr std::u16string_view kPanelTextClass = u"JaskelMFPanel";
constexpr COLORREF kPanelBackground = RGB(16, 19, 25);
constexpr COLORREF kHeaderBackground = RGB(20, 24, 32);
constexpr COLORREF kTitleColour = RGB(220, 230, 245);
constexpr COLORREF kGroupColour = RGB(118, 130, 150);
constexpr COLORREF kCurrentBackground = RGB(24, 52, 82);
constexpr COLORREF kCurrentColour = RGB(150, 190, 255);
constexpr COLORREF kItemColour = RGB(205, 210, 216);
constexpr int kTitleInset = 12;
constexpr int kGroupInsetLeft = 12;
constexpr int kItemInsetLeft = 24;
constexpr int kRowInsetRight = 8;
constexpr UINT kLineFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;

void DrawLine(HDC dc, const std::wstring& text, RECT rect, COLORREF colour, UINT extra = 0) {
    SetTextColor(dc, colour);
    DrawUiText(dc, kPanelTextClass, U16(text.c_str(), text.size()), &rect, kLineFormat | extra);
}

// Korean keeps the device context's default font; every other language gets the catalog's face.
HFONT CreatePanelFont() {
    if (std::strcmp(I18nLangCode(), "ko") == 0)
        return nullptr;
    return CreateUiFont(16, 600);
}

void DrawTitle(HDC dc, int width) {
    const RECT band{0, 0, width, kPanelHeaderHeight};
    FillSolid(dc, band, kHeaderBackground);
    RECT text = band;
    text.left += kTitleInset;
    DrawLine(dc, I18nFormat(L"재생 목록 (%d)", static_cast<int>(playlist.size())), text, kTitleColour);
}

void DrawGroupHeader(HDC dc, const std::vector<int>& rows, int row, RECT rect) {
    const wchar_t* word = I18nText(rows[row] == kVideosHeaderRow ? L"동영상" : L"음악");
    rect.left += kGroupInsetLeft;
    rect.right -= kRowInsetRight;
    DrawLine(dc, std::wstring(word) + L" (" + std::to_wstring(GroupSize(rows, row)) + L")", rect, kGroupColour);
}

void DrawItemRow(HDC dc, const std::vector<int>& rows, int row, RECT rect) {
    const int item = rows[row];
    const bool current = item == currentIndex;
    if (current)
        FillSolid(dc, rect, kCurrentBackground);
    const std::u16string name = DisplayName(playlist[item]);
    const std::wstring text = std::to_wstring(GroupNumber(rows, row)) + L". " + Wide(name);
    rect.left += kItemInsetLeft;
    rect.right -= kRowInsetRight;
    DrawLine(dc, text, rect, current ? kCurrentColour : kItemColour, DT_END_ELLIPSIS);
}

void DrawRows(HDC dc, const RECT& client) {
    const std::vector<int> rows = BuildPanelRows();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const int top = PanelRowTop(r, panelScroll);
        if (top < kPanelHeaderHeight || top >= client.bottom)
            continue;
        const RECT rect{0, top, client.right, top + kPanelRowHeight};
        if (rows[r] < 0)
            DrawGroupHeader(dc, rows, r, rect);
        else
            DrawItemRow(dc, rows, r, rect);
    }
}

void PaintContent(HDC dc, const RECT& client) {
    HFONT font = CreatePanelFont();
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    FillSolid(dc, client, kPanelBackground);
    SetBkMode(dc, TRANSPARENT);
    DrawTitle(dc, client.right);
    DrawRows(dc, client);
    if (font) {
        SelectObject(dc, oldFont);
        DeleteObject(font);
    }
}

// Painted off screen and copied in one go, so a repaint never flickers.
void PaintPanel(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    if (dc && client.right > 0 && client.bottom > 0) {
        BackBuffer buffer(dc, client);
        if (buffer.Ready()) {
            PaintContent(buffer.Dc(), client);
            buffer.CopyToTarget();
        }
    }
    EndPaint(window, &ps);
}

void ClickPanel(LPARAM lParam) {
    const int item = PanelHitTest(BuildPanelRows(), GET_Y_LPARAM(lParam), panelScroll);
    if (item >= 0)
        OpenItem(item); // also the current item: it restarts
}

UINT TrackPanelMenu(HWND window, LPARAM lParam, bool onItem) {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return 0;
    const UINT itemState = onItem ? MF_ENABLED : MF_GRAYED;
    AppendMenuW(menu, MF_STRING | itemState, kPanelMenuPlay, I18nText(L"재생"));
    AppendMenuW(menu, MF_STRING | itemState, kPanelMenuRemove, I18nText(L"목록에서 제거"));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kPanelMenuClear, I18nText(L"목록 지우기"));
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &at);
    const UINT command = static_cast<UINT>(
        TrackPopupMenu(menu, UiMenuTrackFlags(TPM_RETURNCMD | TPM_RIGHTBUTTON), at.x, at.y, 0, window, nullptr));
    DestroyMenu(menu);
    return command;
}

void RunPanelCommand(UINT command, int item) {
    if (command == kPanelMenuPlay && item >= 0) {
        OpenItem(item);
    } else if (command == kPanelMenuRemove && item >= 0) {
        RemoveItem(item);
        RepaintAll();
    } else if (command == kPanelMenuClear) {
        ClearPlaylist();
        ResetPanelScroll();
        RepaintAll();
    }
}

void ShowPanelMenu(HWND window, LPARAM lParam) {
    const int item = PanelHitTest(BuildPanelRows(), GET_Y_LPARAM(lParam), panelScroll);
    RunPanelCommand(TrackPanelMenu(window, lParam, item >= 0), item);
}

void WheelPanel(HWND window, WPARAM wParam) {
    const int rowCount = static_cast<int>(BuildPanelRows().size());
    panelScroll = WheelScroll(panelScroll, GET_WHEEL_DELTA_WPARAM(wParam), rowCount);
    InvalidateRect(window, nullptr, FALSE);
}

} // namespace

LRESULT CALLBACK PanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        PaintPanel(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        ClickPanel(lParam);
        return 0;
    case WM_RBUTTONUP:
        ShowPanelMenu(window, lParam);
        return 0;
    case WM_MOUSEWHEEL:
        WheelPanel(window, wParam);
        return 0;
    case WM_DROPFILES:
        DropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
