#include "app/layers_win.h"

#include <windows.h>

#include "app/diag_state_win.h"
#include "app/handoff.h"
#include "diag/state_notice.h"
#include "engine/engine_win.h"
#include "playlist/playlist_win.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"
#include "ui/transport_state.h"

namespace {

void LayoutMainWindow() {
    if (ui.main)
        LayoutChildren(ui.main);
}

// A seek drag belongs to the media it started on.
void EndSeekDrag() {
    if (shell.mouseMode != 1)
        return;
    shell.mouseMode = 0;
    if (ui.main && GetCapture() == ui.main)
        ReleaseCapture();
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
    engineEvents.mediaChanging = EndSeekDrag;
    engineEvents.seekDragging = [] { return shell.mouseMode == 1; };
    engineEvents.endOfMedia = [] { return AdvanceAtEndNow(static_cast<RepeatMode>(transport.repeatMode)); };
    playlistEvents.owner = ui.main;
    playlistEvents.repaintAll = RepaintAll;
    playlistEvents.layoutChildren = LayoutMainWindow;
    windowHooks.copyData = ReceiveHandoff;
}
