#include "ui/gdi_win.h"

#include "base/wide_win.h"
#include "i18n/i18n_win.h"

HFONT CreateUiFont(int height, int weight) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, I18nFontFace());
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.Get());
}

SIZE MeasureUiText(HWND window, HFONT font, const std::u16string& text) {
    SIZE size{};
    HDC dc = window ? GetDC(window) : nullptr;
    if (!dc)
        return size;
    {
        Selection selected(dc, font);
        GetTextExtentPoint32W(dc, Wide(text), static_cast<int>(text.size()), &size);
    }
    ReleaseDC(window, dc);
    return size;
}
