#include "ui/music_view.h"

#include <algorithm>

#include "base/utf.h"
#include "ui/transport_rules.h"

namespace {

constexpr unsigned kTimeColour = MusicRgb(220, 230, 245);
constexpr unsigned kDimColour = MusicRgb(118, 130, 150);
constexpr unsigned kNameColour = MusicRgb(200, 206, 214);
constexpr unsigned kBadgeFill = MusicRgb(46, 52, 64);
constexpr unsigned kBadgeText = MusicRgb(170, 190, 220);

std::u16string Clock(double seconds) { return Utf8ToUtf16(FormatClock(seconds)); }

MusicViewLayout LargeLayout(const MusicViewInput& in) {
    MusicViewLayout l;
    const int w = in.width, h = in.height;
    const int c = std::clamp(h / 3, 56, 200);
    const int t = (h - c) / 2;
    const int x = std::max(w / 2 - (c + 320) / 2, 24);
    l.artwork = {x, t, x + c, t + c};
    l.artworkCorner = c / 6;
    l.noteSize = c / 3;
    const int column = x + c + 22;
    const int f = std::clamp(c / 2, 26, 64);
    l.texts.push_back({Clock(in.position), {column, t, w - 20, t + f + 4}, f, 600, kTimeColour, false});
    l.texts.push_back({u"/ " + Clock(in.duration), {column, t + f + 8, w - 20, t + f + 28}, 16, 400, kDimColour, false});
    l.texts.push_back({in.displayName, {column, t + f + 32, w - 20, t + f + 56}, 16, 400, kNameColour, true});
    if (!in.extensionLabel.empty() && t - 26 > 2) {
        l.hasBadge = true;
        l.badge = {{column, t - 26, x + c + 38 + in.badgeLabelWidth, t - 4}, in.extensionLabel, kBadgeFill,
                   kBadgeText, 16, 400};
    }
    return l;
}

MusicViewLayout CompactLayout(const MusicViewInput& in) {
    MusicViewLayout l;
    const int w = in.width, h = in.height;
    const int c = std::min(h - 24, 60);
    const int t = (h - c) / 2;
    l.artwork = {14, t, 14 + c, t + c};
    l.artworkCorner = 12;
    l.noteSize = c / 3;
    l.texts.push_back({in.displayName, {c + 28, t + 2, w - 12, t + 26}, 19, 600, kTimeColour, true});
    std::u16string second;
    if (!in.extensionLabel.empty())
        second = in.extensionLabel + u"  \u00B7  ";
    second += Clock(in.position) + u" / " + Clock(in.duration);
    l.texts.push_back({second, {c + 28, t + 28, w - 12, t + 50}, 15, 400, kDimColour, true});
    return l;
}

} // namespace

bool MusicViewDrawable(int width, int height) { return width >= kMusicViewMinSide && height >= kMusicViewMinSide; }

MusicViewLayout ComputeMusicViewLayout(const MusicViewInput& in) {
    return in.height >= kMusicLargeLayoutMinHeight ? LargeLayout(in) : CompactLayout(in);
}

unsigned MusicBackgroundRow(int y, int height) {
    const int v = height > 0 ? y * 14 / height : 0;
    return MusicRgb(10 + v, 10 + v, 14 + v);
}

std::u16string ExtensionLabel(const std::u16string& path) {
    // A backslash or a space after the last dot means the name has no extension.
    size_t dot = std::u16string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == u'\\' || path[i] == u' ')
            dot = std::u16string::npos;
        else if (path[i] == u'.')
            dot = i;
    }
    if (dot == std::u16string::npos)
        return {};
    std::u16string label = path.substr(dot + 1);
    for (char16_t& ch : label) {
        if (ch >= u'a' && ch <= u'z')
            ch = static_cast<char16_t>(ch - u'a' + u'A');
    }
    return label;
}

double ShownPosition(double enginePosition, double duration, double dragTarget, bool seekDragging) {
    if (seekDragging && dragTarget >= 0 && duration > 0)
        return dragTarget * duration;
    return enginePosition;
}

NoteIcon ComputeNoteIcon(int s, int cx, int cy) {
    const int d = s / 3, g = s / 4;
    const int e = cx + 2 * d - s, r = cx + 2 * d + g;
    const int d15 = static_cast<int>(1.5 * d);
    NoteIcon n{};
    n.headLeft = {cx - s + 2, cy + d, e + 2, cy + d + d15};
    n.headRight = {cx + g, cy + s / 8, r, cy + s / 8 + d15};
    n.stemLeft = {e, cy - s + 4, e + 2, cy + 2 * d};
    n.stemRight = {r - 2, cy - s + 2, r, cy + s / 8 + d};
    const int beam[8] = {e, cy - s + 4, r, cy - s + 2, r, cy - s + g + 2, e, cy - s + g + 4};
    std::copy(beam, beam + 8, n.beam);
    return n;
}
