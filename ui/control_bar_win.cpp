#include "ui/control_bar_win.h"

#include <initializer_list>
#include <string>

#include "diag/ui_text_win.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/playback_controls_win.h"
#include "i18n/i18n_win.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_win.h"
#include "ui/commands_win.h"
#include "ui/control_bar.h"
#include "ui/gdi_win.h"
#include "ui/frame_win.h"
#include "ui/layout.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"
#include "ui/transport_state.h"
#include "ui/transport_win.h"

namespace {

constexpr std::u16string_view kTextClass = u"JaskelMFPlayer";

constexpr COLORREF kBarColour = RGB(13, 14, 20);
constexpr COLORREF kGlyphColour = RGB(220, 230, 245);
constexpr COLORREF kAccentColour = RGB(38, 160, 255);
constexpr COLORREF kIdleColour = RGB(118, 130, 150);
constexpr COLORREF kLoopColour = RGB(255, 140, 40);
constexpr COLORREF kLoopPointColour = RGB(210, 160, 110);
constexpr COLORREF kLoopRangeColour = RGB(120, 78, 40);
constexpr COLORREF kTrackColour = RGB(56, 58, 68);
constexpr COLORREF kBoostColour = RGB(232, 152, 42);
constexpr COLORREF kKneeColour = RGB(150, 156, 162);
constexpr COLORREF kLabelColour = RGB(210, 214, 218);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr double kSilentVolume = 0.001;

RECT ToRect(const BarRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

void FillSolid(HDC dc, const BarRect& rect, COLORREF colour) {
    FillSolid(dc, ToRect(rect), colour);
}

void FillPolygon(HDC dc, std::initializer_list<POINT> points, COLORREF colour) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    Selection pen(dc, GetStockObject(NULL_PEN));
    Selection fill(dc, brush.Get());
    Polygon(dc, points.begin(), static_cast<int>(points.size()));
}

void FillRoundBar(HDC dc, const RECT& r, int corner, COLORREF colour) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    Selection pen(dc, GetStockObject(NULL_PEN));
    Selection fill(dc, brush.Get());
    RoundRect(dc, r.left, r.top, r.right, r.bottom, corner, corner);
}

void FillCircle(HDC dc, const BarRect& box, COLORREF colour) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    Selection pen(dc, GetStockObject(NULL_PEN));
    Selection fill(dc, brush.Get());
    Ellipse(dc, box.left, box.top, box.right, box.bottom);
}

// Each list is one connected 2-pixel stroke.
void StrokeLines(HDC dc, std::initializer_list<std::initializer_list<POINT>> strokes, COLORREF colour) {
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, colour));
    Selection selected(dc, pen.Get());
    for (const auto& stroke : strokes)
        Polyline(dc, stroke.begin(), static_cast<int>(stroke.size()));
}

void DrawBarText(HDC dc, const std::u16string& text, RECT rect, COLORREF colour, UINT format) {
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    DrawUiText(dc, kTextClass, text, &rect, format | DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void DrawFontText(HDC dc, const std::u16string& text, const RECT& rect, int height, int weight,
                  COLORREF colour, UINT format = 0) {
    GdiObject<HFONT> font(CreateUiFont(height, weight));
    Selection selected(dc, font.Get());
    DrawBarText(dc, text, rect, colour, format);
}

struct Centre {
    int x;
    int y;
};

Centre CentreOf(const BarRect& r) {
    return {r.CentreX(), r.CentreY()};
}

} // namespace

namespace {

void PaintPlaylistGlyph(HDC dc, Centre c) {
    const COLORREF colour = shell.playlistVisible ? kAccentColour : kGlyphColour;
    for (int y : {c.y - 8, c.y - 2, c.y + 4})
        FillRoundBar(dc, {c.x - 9, y, c.x + 10, y + 5}, 3, colour);
}

void PaintRepeatGlyph(HDC dc, Centre c) {
    const COLORREF colour = transport.repeatMode != 0 ? kAccentColour : kIdleColour;
    const int x = c.x, y = c.y;
    StrokeLines(dc,
                {{{x - 7, y - 7}, {x + 6, y - 7}},
                 {{x + 6, y + 7}, {x - 7, y + 7}},
                 {{x + 6, y - 7}, {x + 10, y - 3}},
                 {{x - 7, y + 7}, {x - 11, y + 3}}},
                colour);
    FillPolygon(dc, {{x + 4, y - 12}, {x + 4, y - 2}, {x + 11, y - 7}}, colour);
    FillPolygon(dc, {{x - 5, y + 12}, {x - 5, y + 2}, {x - 12, y + 7}}, colour);
    if (transport.repeatMode == static_cast<int>(RepeatMode::One))
        DrawFontText(dc, u"1", {x - 8, y - 8, x + 8, y + 8}, 12, 700, colour);
}

void PaintAbGlyph(HDC dc, Centre c) {
    COLORREF colour = kIdleColour;
    if (transport.loopActive)
        colour = kLoopColour;
    else if (transport.loopStart >= 0 || transport.loopEnd >= 0)
        colour = kLoopPointColour;
    DrawFontText(dc, u"A-B", {c.x - 22, c.y - 11, c.x + 22, c.y + 11}, 16, 700, colour);
}

void PaintStepGlyphs(HDC dc, const ControlBarLayout& l) {
    if (!l.prevButton.Empty()) {
        const Centre c = CentreOf(l.prevButton);
        FillSolid(dc, RECT{c.x - 9, c.y - 8, c.x - 7, c.y + 8}, kGlyphColour);
        FillPolygon(dc, {{c.x - 6, c.y}, {c.x + 7, c.y - 8}, {c.x + 7, c.y + 8}}, kGlyphColour);
    }
    if (!l.nextButton.Empty()) {
        const Centre c = CentreOf(l.nextButton);
        FillSolid(dc, RECT{c.x + 7, c.y - 8, c.x + 9, c.y + 8}, kGlyphColour);
        FillPolygon(dc, {{c.x + 6, c.y}, {c.x - 7, c.y - 8}, {c.x - 7, c.y + 8}}, kGlyphColour);
    }
}

void PaintJumpGlyphs(HDC dc, const ControlBarLayout& l) {
    if (!l.back10Button.Empty()) {
        const Centre c = CentreOf(l.back10Button);
        FillPolygon(dc, {{c.x - 1, c.y - 7}, {c.x - 1, c.y + 7}, {c.x - 9, c.y}}, kGlyphColour);
        FillPolygon(dc, {{c.x + 8, c.y - 7}, {c.x + 8, c.y + 7}, {c.x, c.y}}, kGlyphColour);
    }
    if (!l.forward10Button.Empty()) {
        const Centre c = CentreOf(l.forward10Button);
        FillPolygon(dc, {{c.x + 1, c.y - 7}, {c.x + 1, c.y + 7}, {c.x + 9, c.y}}, kGlyphColour);
        FillPolygon(dc, {{c.x - 8, c.y - 7}, {c.x - 8, c.y + 7}, {c.x, c.y}}, kGlyphColour);
    }
}

void PaintPlayGlyph(HDC dc, Centre c) {
    FillRoundedGradient(dc, {c.x - 17, c.y - 17, c.x + 17, c.y + 17}, 14);
    if (engine.paused) {
        FillPolygon(dc, {{c.x - 5, c.y - 8}, {c.x - 5, c.y + 8}, {c.x + 8, c.y}}, kWhite);
        return;
    }
    FillSolid(dc, RECT{c.x - 6, c.y - 8, c.x - 2, c.y + 8}, kWhite);
    FillSolid(dc, RECT{c.x + 2, c.y - 8, c.x + 6, c.y + 8}, kWhite);
}

void PaintSpeedGlyph(HDC dc, Centre c) {
    const RECT box{c.x - 22, c.y - 14, c.x + 22, c.y + 14};
    {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, kGlyphColour));
        Selection selectedPen(dc, pen.Get());
        Selection hollow(dc, GetStockObject(NULL_BRUSH));
        RoundRect(dc, box.left, box.top, box.right, box.bottom, 8, 8);
    }
    DrawFontText(dc, FormatSpeedLabel(engine.speed), box, 15, 600, kGlyphColour, DT_NOCLIP);
}

void PaintButtons(HDC dc, const ControlBarLayout& l) {
    PaintPlaylistGlyph(dc, CentreOf(l.playlistButton));
    if (!l.repeatButton.Empty())
        PaintRepeatGlyph(dc, CentreOf(l.repeatButton));
    if (!l.abButton.Empty())
        PaintAbGlyph(dc, CentreOf(l.abButton));
    PaintStepGlyphs(dc, l);
    PaintJumpGlyphs(dc, l);
    PaintPlayGlyph(dc, CentreOf(l.playButton));
    if (!l.speedButton.Empty())
        PaintSpeedGlyph(dc, CentreOf(l.speedButton));
}

void PaintSeekBar(HDC dc, const BarRect& bar, double pos, double dur) {
    const SeekBarParts parts = ComputeSeekBarParts(bar, pos, dur, transport.loopStart, transport.loopEnd);
    FillSolid(dc, parts.track, kTrackColour);
    if (parts.loopRange)
        FillSolid(dc, *parts.loopRange, kLoopRangeColour);
    if (parts.played)
        FillSolid(dc, *parts.played, kAccentColour);
    if (parts.thumb)
        FillCircle(dc, *parts.thumb, kWhite);
    for (const auto& marker : {parts.markerA, parts.markerB}) {
        if (marker)
            FillSolid(dc, *marker, kLoopColour);
    }
}

void PaintTimeLabels(HDC dc, const ControlBarLayout& l, double pos, double dur) {
    // The labels keep the device context's own font.
    DrawBarText(dc, FormatBarTime(pos), ToRect(l.elapsedLabel), kLabelColour, 0);
    DrawBarText(dc, FormatBarTime(dur), ToRect(l.durationLabel), kLabelColour, 0);
}

void PaintMuteGlyph(HDC dc, Centre c) {
    const int x = c.x, y = c.y;
    FillPolygon(
        dc, {{x - 8, y - 4}, {x - 3, y - 4}, {x + 2, y - 9}, {x + 2, y + 9}, {x - 3, y + 4}, {x - 8, y + 4}},
        kGlyphColour);
    if (engine.muted || engine.volume <= kSilentVolume)
        StrokeLines(dc, {{{x + 6, y - 6}, {x + 12, y + 6}}, {{x + 12, y - 6}, {x + 6, y + 6}}}, kGlyphColour);
    else
        StrokeLines(dc, {{{x + 6, y - 5}, {x + 8, y - 2}, {x + 8, y + 2}, {x + 6, y + 5}}}, kGlyphColour);
}

void PaintVolumeSlider(HDC dc, const BarRect& slider) {
    const double sliderPos = engine.muted ? 0.0 : GainToSlider(engine.volume);
    const VolumeSliderParts parts = ComputeVolumeSliderParts(slider, sliderPos, engine.muted, engine.volume,
                                                             engine.engineKind == EngineKind::Session);
    FillSolid(dc, parts.track, kTrackColour);
    FillSolid(dc, parts.level, kAccentColour);
    if (parts.boost)
        FillSolid(dc, *parts.boost, kBoostColour);
    if (parts.kneeMark)
        FillSolid(dc, *parts.kneeMark, kKneeColour);
}

void PaintFullscreenGlyph(HDC dc, Centre c) {
    const int x = c.x, y = c.y;
    StrokeLines(dc,
                {{{x - 8, y - 4}, {x - 8, y - 8}, {x - 4, y - 8}},
                 {{x + 8, y - 4}, {x + 8, y - 8}, {x + 4, y - 8}},
                 {{x - 8, y + 4}, {x - 8, y + 8}, {x - 4, y + 8}},
                 {{x + 8, y + 4}, {x + 8, y + 8}, {x + 4, y + 8}}},
                kGlyphColour);
}

void PaintBar(HDC dc, int width, int height) {
    const ControlBarLayout l = ComputeControlBarLayout(width, height);
    FillSolid(dc, RECT{0, height - kControlBarHeight, width, height}, kBarColour);
    PaintButtons(dc, l);
    double enginePos = -1, dur = -1;
    GetTimes(enginePos, dur);
    const double pos = ShownPosition(); // the drag position while the seek bar is held
    PaintSeekBar(dc, l.seekBar, pos, dur);
    PaintTimeLabels(dc, l, pos, dur);
    if (!l.muteButton.Empty())
        PaintMuteGlyph(dc, CentreOf(l.muteButton));
    if (!l.volumeSlider.Empty())
        PaintVolumeSlider(dc, l.volumeSlider);
    PaintFullscreenGlyph(dc, CentreOf(l.fullscreenButton));
}

// Keeps the caller's clip region and puts it back; Narrow intersects it with a region.
class ClipKeeper {
  public:
    explicit ClipKeeper(HDC dc) : dc_(dc), saved_(CreateRectRgn(0, 0, 0, 0)) {
        hadClip_ = saved_.Get() && GetClipRgn(dc, saved_.Get()) == 1;
    }
    ~ClipKeeper() { SelectClipRgn(dc_, hadClip_ ? saved_.Get() : nullptr); }
    ClipKeeper(const ClipKeeper&) = delete;
    ClipKeeper& operator=(const ClipKeeper&) = delete;
    void Narrow(HRGN region) const { ExtSelectClipRgn(dc_, region, hadClip_ ? RGN_AND : RGN_COPY); }

  private:
    HDC dc_;
    GdiObject<HRGN> saved_;
    bool hadClip_ = false;
};

// A memory device context, deleted after everything selected into it is put back.
} // namespace

void PaintControlBar(HWND main, HDC dc) {
    if (shell.isFullscreen && !shell.controlsShown)
        return;
    RECT client{};
    GetClientRect(main, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    BackBuffer buffer(dc, RECT{0, client.bottom - kControlBarHeight, client.right, client.bottom});
    if (!buffer.Ready()) {
        PaintBar(dc, client.right, client.bottom); // no memory for the buffer: draw in place
        return;
    }
    PaintBar(buffer.Dc(), client.right, client.bottom);
    buffer.CopyToTarget();
}

void FillRoundedGradient(HDC dc, const RECT& rect, int corner) {
    const int height = rect.bottom - rect.top;
    if (height <= 0 || rect.right <= rect.left)
        return;
    ClipKeeper kept(dc);
    // Clip regions are in device units, the rectangle in logical ones.
    POINT corners[2] = {{rect.left, rect.top}, {rect.right + 1, rect.bottom + 1}};
    LPtoDP(dc, corners, 2);
    GdiObject<HRGN> round(
        CreateRoundRectRgn(corners[0].x, corners[0].y, corners[1].x, corners[1].y, corner, corner));
    kept.Narrow(round.Get());
    for (int i = 0; i < height; ++i) {
        const int g = height > 1 ? i * 255 / (height - 1) : 0;
        FillSolid(dc, RECT{rect.left, rect.top + i, rect.right, rect.top + i + 1},
                  RGB(g * 38 / 255, 208 - g * 48 / 255, 255));
    }
}

namespace {

void Invalidate(HWND main) {
    InvalidateRect(main, nullptr, FALSE);
}

ControlBarLayout LayoutOf(HWND main) {
    RECT client{};
    GetClientRect(main, &client);
    return ComputeControlBarLayout(client.right, client.bottom);
}

void StepPlaylist(int delta) {
    StepItem(WindowsPlaylistHost(), delta, static_cast<RepeatMode>(transport.repeatMode));
}

void Jump(HWND main, double delta) {
    SeekBy(delta);
    ShowSeekOsd(delta);
    Invalidate(main);
}

void PressLoopButton(HWND main) {
    if (transport.loopStart < 0)
        SetLoopStart();
    else if (transport.loopEnd < 0)
        SetLoopEnd();
    else
        ClearLoop();
    Invalidate(main);
}

// The press that closed the speed menu reaches the button too; it must not open it again.
void PressSpeedButton(HWND main, const BarRect& button) {
    if (!SpeedPressOpensMenu(GetTickCount64(), speedMenuClosedTick)) {
        speedMenuClosedTick = 0;
        return;
    }
    POINT corner{button.left, button.top};
    ClientToScreen(main, &corner);
    ShowSpeedMenu(corner.x, corner.y);
}

void SetVolumeAt(const ControlBarLayout& l, int x) {
    ChangeVolume(static_cast<float>(SliderToGain(BarFraction(l.volumeSlider, x))));
}

void PressButton(HWND main, const ControlBarLayout& l, int zone) {
    switch (zone) {
    case kZonePlaylist:
        TogglePlaylistPanel();
        break;
    case kZoneRepeat:
        CycleRepeatMode();
        Invalidate(main);
        break;
    case kZoneAb:
        PressLoopButton(main);
        break;
    case kZonePrevious:
        StepPlaylist(-1);
        break;
    case kZoneBack10:
        Jump(main, -10);
        break;
    case kZonePlay:
        PlayPause();
        shell.mouseMode = 3;
        SetCapture(main);
        break;
    case kZoneForward10:
        Jump(main, +10);
        break;
    case kZoneNext:
        StepPlaylist(+1);
        break;
    case kZoneFullscreen:
        ToggleFullscreen();
        break;
    case kZoneSpeed:
        PressSpeedButton(main, l.speedButton);
        break;
    case kZoneMute:
        ToggleMute();
        Invalidate(main);
        break;
    }
}

void HoverAt(HWND main, const ControlBarLayout& l, POINT point) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, main, 0};
    TrackMouseEvent(&track);
    const int zone = HitTestControlBar(l, point.x, point.y);
    if (zone == shell.hoverControl)
        return;
    shell.hoverControl = zone;
    shell.hoverStartTick = GetTickCount64();
    if (HoverHidesTooltip(zone, shell.tooltipControl))
        HideTooltip();
}

} // namespace

void OnControlBarButtonDown(HWND main, POINT point) {
    const ControlBarLayout l = LayoutOf(main);
    const int target = PressTargetAt(l, point.x, point.y);
    if (target == kZoneSeekArea) {
        BeginSeekDrag(BarFraction(l.seekBar, point.x));
    } else if (target == kZoneVolumeArea) {
        shell.mouseMode = 2;
        SetCapture(main);
        SetVolumeAt(l, point.x);
        Invalidate(main);
    } else {
        PressButton(main, l, target);
    }
}

void OnControlBarMouseMove(HWND main, POINT point) {
    const ControlBarLayout l = LayoutOf(main);
    if (shell.mouseMode == 0) {
        HoverAt(main, l, point);
        return;
    }
    if (shell.mouseMode == 1)
        MoveSeekDrag(BarFraction(l.seekBar, point.x));
    else if (shell.mouseMode == 2)
        SetVolumeAt(l, point.x);
    Invalidate(main);
}

void OnControlBarButtonUp(HWND) {
    if (shell.mouseMode != 0)
        EndMouseDrag();
}
