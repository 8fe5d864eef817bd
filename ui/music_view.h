#pragma once
// What the music view shows for an audio item: a large layout with a big clock beside the
// artwork square, or a compact one of two lines for the small music window. Geometry and texts
// only; the window layer paints them.
#include <string>
#include <vector>

#include "ui/frame_geometry.h"

inline constexpr int kMusicViewMinSide = 40;
inline constexpr int kMusicLargeLayoutMinHeight = 151;

struct MusicText {
    std::u16string text;
    EdgeRect box;
    int fontHeight = 0;
    int fontWeight = 0;
    unsigned colour = 0; // 0x00BBGGRR, as COLORREF
    bool endEllipsis = false;
};

struct MusicBadge {
    EdgeRect box;
    std::u16string label;
    unsigned fill = 0;
    unsigned colour = 0;
    int fontHeight = 0;
    int fontWeight = 0;
};

struct MusicViewLayout {
    EdgeRect artwork;
    int artworkCorner = 0;
    int noteSize = 0;
    std::vector<MusicText> texts;
    bool hasBadge = false;
    MusicBadge badge;
};

struct MusicViewInput {
    int width = 0;
    int height = 0;
    std::u16string displayName;
    std::u16string extensionLabel; // upper case, without the dot; may be empty
    double position = 0;           // seconds; what the clock shows
    double duration = 0;
    int badgeLabelWidth = 0; // measured by the window layer in the badge font
};

inline constexpr unsigned MusicRgb(int r, int g, int b) {
    return static_cast<unsigned>(r) | (static_cast<unsigned>(g) << 8) | (static_cast<unsigned>(b) << 16);
}

// Nothing is drawn for a view smaller than 40 x 40.
bool MusicViewDrawable(int width, int height);

MusicViewLayout ComputeMusicViewLayout(const MusicViewInput& in);

// The background's colour on row y of a view H pixels high: a dark vertical gradient.
unsigned MusicBackgroundRow(int y, int height);

// The extension after the dot, upper case (ASCII), or empty; the path's last dot only counts
// inside its last name, as PathFindExtensionW finds it.
std::u16string ExtensionLabel(const std::u16string& path);

// The position the clock shows: the seek-bar fraction being dragged, else the engine's.
double ShownPosition(double enginePosition, double duration, double dragTarget, bool seekDragging);

// The shapes of the two-note icon of size s centred on (cx, cy).
struct NoteIcon {
    EdgeRect headLeft;  // ellipses
    EdgeRect headRight;
    EdgeRect stemLeft;  // rectangles
    EdgeRect stemRight;
    int beam[8];         // quadrilateral x0,y0 .. x3,y3
};

NoteIcon ComputeNoteIcon(int size, int cx, int cy);
