#pragma once
// The main window's own frame: what a point of the window is (caption, caption button, resize
// edge), where the title bar's texts and glyphs go, the minimum size, and when the window takes
// on or gives up the compact size for music. All in client pixels of the main window.
#include "ui/layout.h"

inline constexpr int kCaptionButtonWidth = 46;
inline constexpr int kTopResizeBand = 6;
inline constexpr int kMinClientWidth = 200;
inline constexpr int kMinClientHeight = 106;
inline constexpr int kCompactClientWidth = 560;
inline constexpr int kCompactClientHeight = 186;

struct EdgeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const EdgeRect&) const = default;
};

// The client rectangle of a window without a system caption: the frame stays at the left, right
// and bottom; at the top only while maximised, where the window overhangs its monitor.
EdgeRect ClientFromProposed(const EdgeRect& proposed, int frameX, int frameY, bool maximised);

enum class FrameHit { System, TopLeft, Top, TopRight, Caption, Client };

// What the point (client coordinates) of a windowed, non-fullscreen main window is. System
// means the system's own answer (the real left, right and bottom borders, or outside).
FrameHit HitTestFrame(int x, int y, int clientWidth, bool maximised);

enum class CaptionButton { None, Minimise, Maximise, Close };

EdgeRect CaptionButtonRect(CaptionButton button, int clientWidth);
CaptionButton CaptionButtonAt(int x, int y, int clientWidth);

struct GlyphLine {
    int x1, y1, x2, y2;
    bool operator==(const GlyphLine&) const = default;
};

struct TitleBarLayout {
    EdgeRect programName;
    EdgeRect itemName;
    GlyphLine minimise;
    EdgeRect maximiseBack;  // drawn only while maximised (the window behind)
    EdgeRect maximiseFront; // the one square of a normal window, the front one when maximised
    GlyphLine closeDown;
    GlyphLine closeUp;
};

TitleBarLayout ComputeTitleBarLayout(int clientWidth, bool maximised);

struct ClientSize {
    int width = 0;
    int height = 0;
    bool operator==(const ClientSize&) const = default;
};

ClientSize CompactClientSize(bool playlistVisible);

// The minimum tracking size: raise each value only where the frame of the minimum client area
// needs more than the structure already holds.
ClientSize RaiseMinimumTrackSize(ClientSize current, ClientSize frameOfMinimumClient);

struct CompactInput {
    bool musicShowing = false; // no video and a valid current item
    bool compactMusicMode = false;
    bool fullscreen = false;
    bool minimised = false;
    bool maximised = false;
    bool busy = false;
};

enum class CompactAction {
    None,
    MarkOnly,          // maximised: follow the music state without touching the size
    MarkAndForgetSaved, // maximised and music starts: a placement saved earlier is stale
    Shrink,            // save the placement, take the compact size
    Restore,           // return to the saved placement (or its size)
};

CompactAction DecideCompactAction(const CompactInput& in);

// The window size that gives the wanted client size, from the current window and client sizes.
ClientSize WindowSizeForClient(ClientSize window, ClientSize client, ClientSize wantedClient);
