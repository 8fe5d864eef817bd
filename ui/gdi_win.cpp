#include "ui/gdi_win.h"

#include "base/wide_win.h"
#include "diag/ui_text_win.h"
#include "i18n/i18n_win.h"

HFONT CreateUiFont(int height, int weight) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, I18nFontFace());
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.Get());
}

void DrawFontLine(HDC dc, std::u16string_view windowClass, const std::u16string& text, const EdgeRect& box,
                  int height, int weight, COLORREF colour, UINT format) {
    GdiObject<HFONT> font(CreateUiFont(height, weight));
    Selection selected(dc, font.Get());
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    RECT r = ToRect(box);
    DrawUiText(dc, windowClass, text, &r, DT_SINGLELINE | format);
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

BackBuffer::BackBuffer(HDC target, const RECT& area)
    : target_(target), area_(area), dc_(target),
      bitmap_(dc_.Get() ? CreateCompatibleBitmap(target, area.right - area.left, area.bottom - area.top) : nullptr),
      bitmapSelection_(dc_.Get(), bitmap_.Get()), fontSelection_(dc_.Get(), GetCurrentObject(target, OBJ_FONT)) {
    if (dc_.Get())
        SetViewportOrgEx(dc_.Get(), -area.left, -area.top, nullptr);
}

void BackBuffer::CopyToTarget() const {
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, dc_.Get(),
           area_.left, area_.top, SRCCOPY);
}
