#pragma once
// Small owners for the GDI objects every paint creates and deletes at once, and the font and
// fill steps the painted windows share.
#include <windows.h>

#include <string>

// Owns one pen, brush, font, bitmap or region for the length of a paint step.
template <class T>
class GdiObject {
  public:
    explicit GdiObject(T handle) : handle_(handle) {}
    ~GdiObject() {
        if (handle_)
            DeleteObject(handle_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    T Get() const { return handle_; }

  private:
    T handle_;
};

// Selects an object into a device context and puts the previous one back.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (old_)
            SelectObject(dc_, old_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// A font of the interface language's face (DEFAULT_CHARSET, CLEARTYPE_QUALITY); a negative
// height is a character height, as CreateFontW takes it.
HFONT CreateUiFont(int height, int weight);

void FillSolid(HDC dc, const RECT& rect, COLORREF colour);

// The extent of the text in the window's device context with the font selected.
SIZE MeasureUiText(HWND window, HFONT font, const std::u16string& text);
