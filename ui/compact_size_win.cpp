// The compact window for music: a normal window shrinks to the music view's size while an audio
// item shows, and goes back to where it was when a video comes or the list is cleared.
#include "diag/state_notice.h"
#include "engine/engine_state.h"
#include "playlist/playlist_state.h"
#include "ui/frame_geometry.h"
#include "ui/frame_win.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"

namespace {

bool compactPlacementSaved = false;
WINDOWPLACEMENT compactSavedPlacement{sizeof(WINDOWPLACEMENT)};
bool compactBusy = false;

ClientSize WindowSize(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

ClientSize ClientAreaSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return {r.right, r.bottom};
}

void ResizeKeepingPlace(HWND window, ClientSize size) {
    SetWindowPos(window, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShrinkForMusic(HWND window) {
    compactSavedPlacement.length = sizeof compactSavedPlacement;
    compactPlacementSaved = GetWindowPlacement(window, &compactSavedPlacement) != FALSE;
    ResizeKeepingPlace(window, WindowSizeForClient(WindowSize(window), ClientAreaSize(window),
                                                   CompactClientSize(shell.playlistVisible)));
}

// A saved placement on a monitor that is gone is not restored: only its size is taken.
void RestoreFromMusic(HWND window) {
    if (!compactPlacementSaved)
        return;
    const RECT& normal = compactSavedPlacement.rcNormalPosition;
    if (MonitorFromRect(&normal, MONITOR_DEFAULTTONULL) != nullptr)
        SetWindowPlacement(window, &compactSavedPlacement);
    else
        ResizeKeepingPlace(window, {normal.right - normal.left, normal.bottom - normal.top});
}

void ApplyCompactAction(HWND window, CompactAction action, bool musicShowing) {
    switch (action) {
    case CompactAction::None: return;
    case CompactAction::MarkAndForgetSaved: compactPlacementSaved = false; break;
    case CompactAction::MarkOnly: break;
    case CompactAction::Shrink: ShrinkForMusic(window); break;
    case CompactAction::Restore: RestoreFromMusic(window); break;
    }
    shell.compactMusicMode = musicShowing;
}

} // namespace

void UpdateCompactSize() {
    HWND window = ui.main;
    if (!window)
        return;
    CompactInput in;
    in.musicShowing = !engine.hasVideo && CurrentIndexValid();
    in.compactMusicMode = shell.compactMusicMode;
    in.fullscreen = shell.isFullscreen;
    in.minimised = IsIconic(window) != FALSE;
    in.maximised = IsZoomed(window) != FALSE;
    in.busy = compactBusy;
    const CompactAction action = DecideCompactAction(in);
    if (action == CompactAction::None)
        return;
    compactBusy = true;
    ApplyCompactAction(window, action, in.musicShowing);
    compactBusy = false;
    NotifyStateChanged();
}

void ResizeForPanel(HWND window, bool panelShown) {
    if (!shell.compactMusicMode || shell.isFullscreen || IsZoomed(window))
        return;
    const ClientSize size = WindowSize(window);
    const int width = size.width + (panelShown ? kPanelWidth : -kPanelWidth);
    ResizeKeepingPlace(window, {width, size.height});
}
