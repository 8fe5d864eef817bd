#include "ui/main_window_win.h"

#include "ui/layout.h"
#include "ui/shell_state.h"

namespace {

constexpr COLORREF kBarColour = RGB(13, 14, 20);

void FillBand(HDC dc, const RECT& band) {
    HBRUSH brush = CreateSolidBrush(kBarColour);
    FillRect(dc, &band, brush);
    DeleteObject(brush);
}

} // namespace

void PaintTitleBar(HWND main, HDC dc) {
    if (shell.isFullscreen)
        return;
    RECT client;
    GetClientRect(main, &client);
    FillBand(dc, {0, 0, client.right, kTitleBarHeight});
}
