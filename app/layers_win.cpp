#include "app/layers_win.h"

#include <windows.h>

#include "app/diag_state_win.h"
#include "app/handoff.h"
#include "diag/state_notice.h"
#include "engine/engine_win.h"
#include "playlist/playlist_win.h"
#include "ui/frame_win.h"
#include "ui/main_window_win.h"
#include "ui/panel_rows.h"
#include "ui/shell_state.h"
#include "ui/osd_win.h"
#include "ui/playback_info_win.h"
#include "ui/transport_state.h"
#include "ui/transport_win.h"

namespace {

void LayoutMainWindow() {
    if (ui.main)
        LayoutChildren(ui.main);
}

// A seek drag, the A-B points and the title belong to the media they were made for.
void ResetForNewMedia() {
    if (shell.mouseMode == 1) {
        shell.mouseMode = 0;
        shell.dragTarget = -1;
        if (ui.main && GetCapture() == ui.main)
            ReleaseCapture();
    }
    transport.loopStart = transport.loopEnd = -1;
    transport.loopActive = false;
    UpdateWindowTitle();
}

// The end of a media inside a running A-B loop goes back to A instead of moving on.
bool EndOfMedia() {
    if (transport.loopActive && transport.loopStart >= 0 && transport.loopStart < transport.loopEnd) {
        JumpToLoopStart();
        return false;
    }
    return AdvanceAtEndNow(static_cast<RepeatMode>(transport.repeatMode));
}

// The receiving end of the single-instance hand-off; the sender's data is copied before use.
void ReceiveHandoff(HWND window, const COPYDATASTRUCT& data) {
    const auto files = ParseHandoffPayload(data.lpData, data.cbData);
    if (!files)
        return;
    ++diagRecord.handoffCount;
    diagRecord.lastHandoff = *files;
    OpenPathsFromUser(*files);
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    WriteDiagState();
}

} // namespace

void ConnectLayers() {
    SetStateNoticeHandler(WriteDiagState);
    engineEvents.main = ui.main;
    engineEvents.video = ui.video;
    engineEvents.windowClosing = &shell.windowClosing;
    engineEvents.repaintAll = RepaintAll;
    engineEvents.layoutChildren = LayoutMainWindow;
    engineEvents.mediaReady = UpdateCompactSize;
    engineEvents.mediaChanging = ResetForNewMedia;
    engineEvents.seekDragging = [] { return shell.mouseMode == 1; };
    engineEvents.endOfMedia = EndOfMedia;
    engineEvents.showOsd = ShowOsd;
    playlistEvents.owner = ui.main;
    playlistEvents.repaintAll = RepaintAll;
    playlistEvents.layoutChildren = LayoutMainWindow;
    playlistEvents.listCleared = [] {
        ResetPanelScroll();
        UpdateCompactSize();
    };
    windowHooks.copyData = ReceiveHandoff;
}
