#include "ui/control_bar.h"

#include <algorithm>

#include "base/utf.h"
#include "ui/transport_rules.h"

namespace {

constexpr int kTopRowHeight = 66;
constexpr int kBottomRowHeight = 44;
constexpr int kLeftGroupRight = 132;
constexpr int kTransportGap = 6;
constexpr int kFullTransportRoom = 228;
constexpr int kTightTransportRoom = 140;
constexpr int kSliderWide = 78;
constexpr int kSliderNarrow = 52;
constexpr int kSliderNarrowBelow = 720;
constexpr int kPressGrow = 12;

BarRect ButtonAt(int left, int height) {
    return {left, height - kBottomRowHeight, left + kBarButtonWidth, height};
}

void PlaceFixed(ControlBarLayout& l, int w, int h) {
    l.playlistButton = ButtonAt(0, h);
    l.repeatButton = ButtonAt(44, h);
    l.abButton = ButtonAt(88, h);
    l.fullscreenButton = ButtonAt(w - 44, h);
    const int sliderLeft = w - 54 - (w < kSliderNarrowBelow ? kSliderNarrow : kSliderWide);
    l.volumeSlider = {sliderLeft, h - 25, w - 54, h - 19};
    l.muteButton = {sliderLeft - 28, h - 44, sliderLeft - 4, h};
    l.speedButton = {l.muteButton.left - 48, h - 44, l.muteButton.left - 4, h};
    l.seekBar = {56, h - 58, w - 56, h - 52};
    l.elapsedLabel = {4, h - kTopRowHeight, 52, h - 44};
    l.durationLabel = {w - 52, h - kTopRowHeight, w - 4, h - 44};
}

// Drops buttons in their fixed order until the transport group fits between left and right;
// returns how many transport buttons remain.
int Collapse(ControlBarLayout& l, int& left, int& right) {
    right = l.speedButton.left - kTransportGap;
    if (right - left < kFullTransportRoom) {
        l.speedButton = {};
        right = l.muteButton.left - kTransportGap;
    }
    if (right - left < kFullTransportRoom) {
        l.abButton = {};
        left = 88;
    }
    int count = right - left >= kFullTransportRoom ? 5 : 3;
    if (right - left < kFullTransportRoom) {
        if (right - left < kTightTransportRoom && !l.muteButton.Empty()) {
            l.muteButton = {};
            l.volumeSlider = {};
            right = l.fullscreenButton.left - kTransportGap;
        }
        if (right - left < kTightTransportRoom)
            count = 1;
    }
    if (right - left < count * kBarButtonWidth + 8) {
        l.repeatButton = {};
        left = 44;
    }
    return count;
}

void PlaceTransport(ControlBarLayout& l, int count, int left, int right, int h) {
    const int x0 = left + std::max((right - count * kBarButtonWidth - left) / 2, 4);
    if (count == 5) {
        l.prevButton = ButtonAt(x0, h);
        l.back10Button = ButtonAt(x0 + 44, h);
        l.playButton = ButtonAt(x0 + 88, h);
        l.forward10Button = ButtonAt(x0 + 132, h);
        l.nextButton = ButtonAt(x0 + 176, h);
    } else if (count == 3) {
        l.prevButton = ButtonAt(x0, h);
        l.playButton = ButtonAt(x0 + 44, h);
        l.nextButton = ButtonAt(x0 + 88, h);
    } else {
        l.playButton = ButtonAt(x0, h);
    }
}

BarRect GrowVertically(const BarRect& r, int by) {
    if (r.Empty())
        return {};
    return {r.left, r.top - by, r.right, r.bottom + by};
}

int TimeX(const BarRect& bar, double t, double dur) {
    return bar.left + static_cast<int>(t / dur * bar.Width());
}

BarRect MarkerAt(const BarRect& bar, int x) {
    return {x - 1, bar.top - 5, x + 2, bar.bottom + 5};
}

} // namespace

ControlBarLayout ComputeControlBarLayout(int width, int height) {
    ControlBarLayout l;
    PlaceFixed(l, width, height);
    int left = kLeftGroupRight;
    int right = 0;
    const int count = Collapse(l, left, right);
    PlaceTransport(l, count, left, right, height);
    return l;
}

BarRect ZoneRect(const ControlBarLayout& l, int zone) {
    const BarRect ControlBarLayout::*const zones[kControlZoneCount] = {
        &ControlBarLayout::playlistButton,   &ControlBarLayout::repeatButton,
        &ControlBarLayout::abButton,         &ControlBarLayout::prevButton,
        &ControlBarLayout::back10Button,     &ControlBarLayout::playButton,
        &ControlBarLayout::forward10Button,  &ControlBarLayout::nextButton,
        &ControlBarLayout::speedButton,      &ControlBarLayout::muteButton,
        &ControlBarLayout::fullscreenButton,
    };
    if (zone < 0 || zone >= kControlZoneCount)
        return {};
    return l.*zones[zone];
}

int HitTestControlBar(const ControlBarLayout& layout, int x, int y) {
    for (int zone = 0; zone < kControlZoneCount; ++zone) {
        if (ZoneRect(layout, zone).Contains(x, y))
            return zone;
    }
    return kZoneNone;
}

int PressTargetAt(const ControlBarLayout& layout, int x, int y) {
    // The fullscreen button answers before the speed and mute buttons.
    constexpr int kPressOrder[] = {kZonePlaylist,   kZoneRepeat, kZoneAb,        kZonePrevious,
                                   kZoneBack10,     kZonePlay,   kZoneForward10, kZoneNext,
                                   kZoneFullscreen, kZoneSpeed,  kZoneMute};
    for (int zone : kPressOrder) {
        if (ZoneRect(layout, zone).Contains(x, y))
            return zone;
    }
    if (SeekArea(layout).Contains(x, y))
        return kZoneSeekArea;
    if (VolumeArea(layout).Contains(x, y))
        return kZoneVolumeArea;
    return kZoneNone;
}

BarRect SeekArea(const ControlBarLayout& layout) {
    return GrowVertically(layout.seekBar, kPressGrow);
}

BarRect VolumeArea(const ControlBarLayout& layout) {
    return GrowVertically(layout.volumeSlider, kPressGrow);
}

double BarFraction(const BarRect& bar, int x) {
    if (bar.Width() <= 0)
        return 0;
    return std::clamp(static_cast<double>(x - bar.left) / bar.Width(), 0.0, 1.0);
}

std::u16string FormatBarTime(double seconds) {
    return Utf8ToUtf16(FormatClock(seconds));
}

std::u16string FormatSpeedLabel(float speed) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(speed));
    return Utf8ToUtf16(text) + u'\u00D7';
}

SeekBarParts ComputeSeekBarParts(const BarRect& bar, double pos, double dur, double a, double b) {
    SeekBarParts parts;
    parts.track = bar;
    if (!(dur > 0))
        return parts;
    if (a >= 0 && a < b)
        parts.loopRange = BarRect{TimeX(bar, a, dur), bar.top, TimeX(bar, b, dur), bar.bottom};
    if (pos >= 0) {
        const int r = bar.left + static_cast<int>(std::clamp(pos / dur, 0.0, 1.0) * bar.Width());
        const int c = bar.CentreY();
        parts.played = BarRect{bar.left, bar.top, r, bar.bottom};
        parts.thumb = BarRect{r - 7, c - 7, r + 7, c + 7};
    }
    if (a >= 0)
        parts.markerA = MarkerAt(bar, TimeX(bar, a, dur));
    if (b >= 0)
        parts.markerB = MarkerAt(bar, TimeX(bar, b, dur));
    return parts;
}

VolumeSliderParts ComputeVolumeSliderParts(const BarRect& slider, double sliderPos, bool muted, double volume,
                                           bool sessionEngine) {
    VolumeSliderParts parts;
    parts.track = slider;
    const int m = slider.Width();
    const double t = muted ? 0.0 : sliderPos;
    const int u = slider.left + static_cast<int>(m * t + 0.5);
    const int k = slider.left + static_cast<int>(m * kSliderKnee + 0.5);
    // Only the session engine plays louder than 100 %; the other never shows the boost.
    if (sessionEngine && !muted && volume > 1.001) {
        parts.level = {slider.left, slider.top, std::min(k, u), slider.bottom};
        if (k < u)
            parts.boost = BarRect{k, slider.top, u, slider.bottom};
    } else {
        parts.level = {slider.left, slider.top, u, slider.bottom};
    }
    if (sessionEngine)
        parts.kneeMark = BarRect{k, slider.top - 2, k + 1, slider.bottom + 2};
    return parts;
}

bool HoverHidesTooltip(int zone, int tooltipControl) {
    const bool valid = zone >= 0 && zone < kControlZoneCount;
    return !(valid && (tooltipControl == kZoneNone || tooltipControl == zone));
}

bool SpeedPressOpensMenu(std::uint64_t now, std::uint64_t menuClosedTick) {
    return now < menuClosedTick || now - menuClosedTick >= kSpeedMenuReopenMs;
}
