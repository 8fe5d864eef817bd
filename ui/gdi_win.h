#pragma once
// Small owners for the GDI objects every paint creates and deletes at once, and the font and
// fill steps the painted windows share.
#include <windows.h>

#include <string>
#include <string_view>

#include "ui/frame_geometry.h"

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

inline RECT ToRect(const EdgeRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// One line of text in a font of its own, transparent, in the given colour, through the logged
// right-to-left text helper under the window class given.
void DrawFontLine(HDC dc, std::u16string_view windowClass, const std::u16string& text, const EdgeRect& box,
                  int height, int weight, COLORREF colour, UINT format);

// The extent of the text in the window's device context with the font selected.
SIZE MeasureUiText(HWND window, HFONT font, const std::u16string& text);

// A memory device context compatible with another one, deleted with its owner.
class MemoryDc {
  public:
    explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
    ~MemoryDc() {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC Get() const { return dc_; }

  private:
    HDC dc_;
};

// A region of a target drawn off screen in the target's coordinates and copied in one BitBlt, so
// that the window never shows a half-drawn state. Members are released in reverse order: the
// selections first, then the bitmap, then the DC.
class BackBuffer {
  public:
    BackBuffer(HDC target, const RECT& area);
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;
    bool Ready() const { return dc_.Get() && bitmap_.Get(); }
    HDC Dc() const { return dc_.Get(); }
    void CopyToTarget() const;

  private:
    HDC target_;
    RECT area_;
    MemoryDc dc_;
    GdiObject<HBITMAP> bitmap_;
    Selection bitmapSelection_;
    Selection fontSelection_;
};
