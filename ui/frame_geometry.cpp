#include "ui/frame_geometry.h"

#include <algorithm>

namespace {

constexpr int kCaptionGlyphCentreY = 18;

int CentreX(const EdgeRect& r) { return (r.left + r.right) / 2; }

} // namespace

EdgeRect ClientFromProposed(const EdgeRect& proposed, int frameX, int frameY, bool maximised) {
    EdgeRect client = proposed;
    client.left += frameX;
    client.right -= frameX;
    client.bottom -= frameY;
    if (maximised)
        client.top += frameY;
    return client;
}

FrameHit HitTestFrame(int x, int y, int clientWidth, bool maximised) {
    if (!maximised) {
        if (y < 0)
            return FrameHit::System;
        if (y < kTopResizeBand) {
            if (x < kTopResizeBand)
                return FrameHit::TopLeft;
            return x >= clientWidth - kTopResizeBand ? FrameHit::TopRight : FrameHit::Top;
        }
    }
    if (y >= 0 && y < kTitleBarHeight && x >= 0 && x < clientWidth)
        return CaptionButtonAt(x, y, clientWidth) == CaptionButton::None ? FrameHit::Caption : FrameHit::Client;
    return FrameHit::System;
}

EdgeRect CaptionButtonRect(CaptionButton button, int clientWidth) {
    int slot = 0; // counted from the right edge
    switch (button) {
    case CaptionButton::Close: slot = 1; break;
    case CaptionButton::Maximise: slot = 2; break;
    case CaptionButton::Minimise: slot = 3; break;
    case CaptionButton::None: return {};
    }
    const int right = clientWidth - (slot - 1) * kCaptionButtonWidth;
    return {right - kCaptionButtonWidth, 0, right, kTitleBarHeight};
}

CaptionButton CaptionButtonAt(int x, int y, int clientWidth) {
    if (y < 0 || y >= kTitleBarHeight)
        return CaptionButton::None;
    for (CaptionButton b : {CaptionButton::Close, CaptionButton::Maximise, CaptionButton::Minimise}) {
        const EdgeRect r = CaptionButtonRect(b, clientWidth);
        if (x >= r.left && x < r.right)
            return b;
    }
    return CaptionButton::None;
}

TitleBarLayout ComputeTitleBarLayout(int clientWidth, bool maximised) {
    TitleBarLayout t;
    const EdgeRect minimise = CaptionButtonRect(CaptionButton::Minimise, clientWidth);
    t.programName = {14, 0, 220, kTitleBarHeight};
    t.itemName = {226, 0, std::max(minimise.left - 12, 266), kTitleBarHeight};
    const int minX = CentreX(minimise);
    t.minimise = {minX - 6, kCaptionGlyphCentreY, minX + 6, kCaptionGlyphCentreY};
    const int maxX = CentreX(CaptionButtonRect(CaptionButton::Maximise, clientWidth));
    if (maximised) {
        t.maximiseBack = {maxX - 4, 16, maxX + 6, 24};
        t.maximiseFront = {maxX - 6, 12, maxX + 4, 20};
    } else {
        t.maximiseFront = {maxX - 6, 12, maxX + 6, 24};
    }
    const int closeX = CentreX(CaptionButtonRect(CaptionButton::Close, clientWidth));
    t.closeDown = {closeX - 6, 12, closeX + 7, 25};
    t.closeUp = {closeX + 6, 12, closeX - 7, 25};
    return t;
}

ClientSize CompactClientSize(bool playlistVisible) {
    return {kCompactClientWidth + (playlistVisible ? kPanelWidth : 0), kCompactClientHeight};
}

ClientSize RaiseMinimumTrackSize(ClientSize current, ClientSize frameOfMinimumClient) {
    return {std::max(current.width, frameOfMinimumClient.width),
            std::max(current.height, frameOfMinimumClient.height)};
}

CompactAction DecideCompactAction(const CompactInput& in) {
    if (in.fullscreen || in.minimised || in.busy || in.musicShowing == in.compactMusicMode)
        return CompactAction::None;
    if (in.maximised)
        return in.musicShowing ? CompactAction::MarkAndForgetSaved : CompactAction::MarkOnly;
    return in.musicShowing ? CompactAction::Shrink : CompactAction::Restore;
}

ClientSize WindowSizeForClient(ClientSize window, ClientSize client, ClientSize wantedClient) {
    return {window.width - client.width + wantedClient.width, window.height - client.height + wantedClient.height};
}
