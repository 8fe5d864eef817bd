// The music view: what shows in place of the picture while an audio item plays.
#include <cstring>

#include "base/wide_win.h"
#include "diag/ui_text_win.h"
#include "engine/engine_state.h"
#include "engine/playback_controls_win.h"
#include "i18n/i18n_win.h"
#include "playlist/playlist_state.h"
#include "ui/control_bar_win.h"
#include "ui/gdi_win.h"
#include "ui/item_text.h"
#include "ui/main_window_win.h"
#include "ui/music_view.h"
#include "ui/shell_state.h"

namespace {

constexpr COLORREF kNoteColour = RGB(255, 255, 255);

void PaintBackground(HDC dc, int width, int height) {
    for (int y = 0; y < height; ++y)
        FillSolid(dc, RECT{0, y, width, y + 1}, MusicBackgroundRow(y, height));
}

void PaintNoteIcon(HDC dc, const EdgeRect& artwork, int size) {
    const NoteIcon n = ComputeNoteIcon(size, (artwork.left + artwork.right) / 2, (artwork.top + artwork.bottom) / 2);
    GdiObject<HBRUSH> brush(CreateSolidBrush(kNoteColour));
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kNoteColour));
    Selection selectedBrush(dc, brush.Get());
    Selection selectedPen(dc, pen.Get());
    Ellipse(dc, n.headLeft.left, n.headLeft.top, n.headLeft.right, n.headLeft.bottom);
    Ellipse(dc, n.headRight.left, n.headRight.top, n.headRight.right, n.headRight.bottom);
    Rectangle(dc, n.stemLeft.left, n.stemLeft.top, n.stemLeft.right, n.stemLeft.bottom);
    Rectangle(dc, n.stemRight.left, n.stemRight.top, n.stemRight.right, n.stemRight.bottom);
    const POINT beam[4] = {{n.beam[0], n.beam[1]}, {n.beam[2], n.beam[3]}, {n.beam[4], n.beam[5]},
                           {n.beam[6], n.beam[7]}};
    Polygon(dc, beam, 4);
}

void DrawMusicText(HDC dc, const std::u16string& text, const EdgeRect& box, int height, int weight,
                   unsigned colour, UINT format) {
    DrawFontLine(dc, u"JaskelMFMusic", text, box, height, weight, colour, format);
}

int BadgeLabelWidth(HDC dc, const std::u16string& label) {
    if (label.empty())
        return 0;
    GdiObject<HFONT> font(CreateUiFont(16, 400));
    Selection selected(dc, font.Get());
    SIZE size{};
    GetTextExtentPoint32W(dc, Wide(label), static_cast<int>(label.size()), &size);
    return size.cx;
}

MusicViewInput CurrentMusicInput(HDC dc, int width, int height) {
    const std::u16string& path = playlist[static_cast<size_t>(currentIndex)];
    MusicViewInput in;
    in.width = width;
    in.height = height;
    in.displayName = DisplayName(path);
    in.extensionLabel = ExtensionLabel(path);
    double position = -1, duration = -1;
    GetTimes(position, duration);
    in.position = ShownPosition(position, duration, shell.dragTarget, shell.mouseMode == 1);
    in.duration = duration;
    in.badgeLabelWidth = BadgeLabelWidth(dc, in.extensionLabel);
    return in;
}

void PaintItemView(HDC dc, int width, int height) {
    const MusicViewLayout l = ComputeMusicViewLayout(CurrentMusicInput(dc, width, height));
    PaintBackground(dc, width, height);
    FillRoundedGradient(dc, ToRect(l.artwork), l.artworkCorner);
    PaintNoteIcon(dc, l.artwork, l.noteSize);
    for (const MusicText& t : l.texts) {
        const UINT format = DT_TOP | DT_LEFT | (t.endEllipsis ? DT_END_ELLIPSIS : 0);
        DrawMusicText(dc, t.text, t.box, t.fontHeight, t.fontWeight, t.colour, format);
    }
    if (l.hasBadge) {
        FillSolid(dc, ToRect(l.badge.box), l.badge.fill);
        DrawMusicText(dc, l.badge.label, l.badge.box, l.badge.fontHeight, l.badge.fontWeight, l.badge.colour,
                      DT_CENTER | DT_VCENTER);
    }
}

void PaintItemViewBuffered(HDC dc, const RECT& client) {
    if (!MusicViewDrawable(client.right, client.bottom))
        return;
    BackBuffer buffer(dc, client);
    if (!buffer.Ready())
        return;
    PaintItemView(buffer.Dc(), client.right, client.bottom);
    buffer.CopyToTarget();
}

} // namespace

void PaintMusicView(HWND window, HDC dc) {
    RECT client{};
    GetClientRect(window, &client);
    // The status text is drawn in the view's own font, except in Korean, which keeps the DC's.
    const bool ownFont = std::strcmp(I18nLangCode(), "ko") != 0;
    GdiObject<HFONT> font(ownFont ? CreateUiFont(16, 600) : nullptr);
    Selection selected(dc, font.Get());
    if (!engine.statusText.empty()) {
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        PaintStatusText(dc, client, u"JaskelMFMusic");
        return;
    }
    if (!CurrentIndexValid()) {
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    PaintItemViewBuffered(dc, client);
}
