#include "ui/layout.h"

#include <algorithm>

LayoutResult ComputeLayout(const LayoutInput& in) {
    const int panelWidth = in.playlistVisible ? kPanelWidth : 0;
    const int top = in.isFullscreen ? 0 : kTitleBarHeight;
    const int bottom = (!in.isFullscreen || in.controlsShown) ? kControlBarHeight : 0;

    LayoutResult out;
    out.picture = {0, top, std::max(in.clientWidth - panelWidth, 0),
                   std::max(in.clientHeight - bottom - top, 0)};
    out.musicShown = !in.hasVideo && in.currentIndexValid;
    out.panel = {in.clientWidth - panelWidth, top, panelWidth, out.picture.height};
    out.panelShown = in.playlistVisible;
    return out;
}

LayoutRect ControlBarStrip(int clientWidth, int clientHeight) {
    return {0, clientHeight - kControlBarHeight, clientWidth, kControlBarHeight};
}
