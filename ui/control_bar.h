#pragma once
// Geometry of the control bar, the 66-pixel strip at the bottom of the main window's client area:
// where each zone lies at a given client size, which zone a point falls in, and where the seek
// bar and the volume slider put their parts. All coordinates are client coordinates.
#include <cstdint>
#include <optional>
#include <string>

// Half-open like a Windows RECT: left <= x < right, top <= y < bottom.
struct BarRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const BarRect&) const = default;
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    int Width() const { return right - left; }
    int CentreX() const { return (left + right) / 2; }
    int CentreY() const { return (top + bottom) / 2; }
};

// Zone ids, the values of hoverControl and tooltipControl; the two areas after them are only
// targets of a press.
enum ControlZone : int {
    kZoneNone = -1,
    kZonePlaylist = 0,
    kZoneRepeat = 1,
    kZoneAb = 2,
    kZonePrevious = 3,
    kZoneBack10 = 4,
    kZonePlay = 5,
    kZoneForward10 = 6,
    kZoneNext = 7,
    kZoneSpeed = 8,
    kZoneMute = 9,
    kZoneFullscreen = 10,
    kZoneSeekArea = 11,
    kZoneVolumeArea = 12,
};

inline constexpr int kControlZoneCount = 11;
inline constexpr int kBarButtonWidth = 44;

// A dropped element is an empty rectangle.
struct ControlBarLayout {
    BarRect playlistButton;
    BarRect repeatButton;
    BarRect abButton;
    BarRect prevButton;
    BarRect back10Button;
    BarRect playButton;
    BarRect forward10Button;
    BarRect nextButton;
    BarRect speedButton;
    BarRect muteButton;
    BarRect fullscreenButton;
    BarRect volumeSlider;
    BarRect seekBar;
    BarRect elapsedLabel;
    BarRect durationLabel;
    bool operator==(const ControlBarLayout&) const = default;
};

ControlBarLayout ComputeControlBarLayout(int width, int height);

// The button rectangle of zone 0-10 (an empty one for any other id).
BarRect ZoneRect(const ControlBarLayout& layout, int zone);

// The first button (in zone-id order) containing the point, else kZoneNone.
int HitTestControlBar(const ControlBarLayout& layout, int x, int y);

// What a press at the point acts on: the buttons in the press order, then the seek area, then
// the volume area; kZoneNone for none.
int PressTargetAt(const ControlBarLayout& layout, int x, int y);

// The seek bar and the volume slider grown by 12 above and below: the areas a press grabs.
BarRect SeekArea(const ControlBarLayout& layout);
BarRect VolumeArea(const ControlBarLayout& layout);

// The fraction of x along the bar, clamped to 0-1; 0 for a bar of no width.
double BarFraction(const BarRect& bar, int x);

// Whole minutes and the remaining seconds, "%d:%02d"; an unknown or negative time shows 0:00.
std::u16string FormatBarTime(double seconds);

// The speed button's label, "%g" followed by a multiplication sign.
std::u16string FormatSpeedLabel(float speed);

// The parts of the seek bar for position pos, duration dur and the loop points a and b
// (negative when unknown or unset). Nothing but the track without a positive duration.
struct SeekBarParts {
    BarRect track;
    std::optional<BarRect> loopRange;
    std::optional<BarRect> played;
    std::optional<BarRect> thumb; // the box of the thumb's circle
    std::optional<BarRect> markerA;
    std::optional<BarRect> markerB;
};

SeekBarParts ComputeSeekBarParts(const BarRect& bar, double pos, double dur, double a, double b);

// The parts of the volume slider; sliderPos is the volume on the slider's scale (0-1).
struct VolumeSliderParts {
    BarRect track;
    BarRect level;                   // the blue part (may be empty)
    std::optional<BarRect> boost;    // the amber part above 100 %
    std::optional<BarRect> kneeMark; // the 1-pixel line at 100 %
};

VolumeSliderParts ComputeVolumeSliderParts(const BarRect& slider, double sliderPos, bool muted, double volume,
                                           bool sessionEngine);

// Whether a moved pointer that entered zone hides the tooltip showing tooltipControl (-1 none).
bool HoverHidesTooltip(int zone, int tooltipControl);

// A press on the speed button right after its menu closed is the press that closed it.
inline constexpr std::uint64_t kSpeedMenuReopenMs = 400;
bool SpeedPressOpensMenu(std::uint64_t now, std::uint64_t menuClosedTick);
