// Relative and seek-bar seeks and the seek-bar drag: they start from what the control bar shows
// and turn the A-B loop off, so they live with the window rather than in the engine.
#include <windows.h>

#include <algorithm>

#include "diag/state_notice.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/playback_controls_win.h"
#include "engine/session/seek_policy.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"
#include "ui/transport_state.h"
#include "ui/transport_win.h"

namespace {

bool SeekDragging() { return shell.mouseMode == 1; }

void InvalidateMain() {
    if (ui.main)
        InvalidateRect(ui.main, nullptr, FALSE);
}

// Where a relative seek starts: the dragged position while the thumb is held, else the clock.
double SeekBase(double pos, double dur) {
    if (SeekDragging() && shell.dragTarget >= 0 && dur > 0)
        return shell.dragTarget * dur;
    return pos;
}

} // namespace

double ShownPosition() {
    double pos = -1, dur = -1;
    GetTimes(pos, dur);
    if (SeekDragging() && shell.dragTarget >= 0 && dur > 0)
        return shell.dragTarget * dur;
    return pos;
}

void SeekBy(double delta) {
    double pos = -1, dur = -1;
    GetTimes(pos, dur);
    const double base = SeekBase(pos, dur);
    if (base < 0)
        return;
    transport.loopActive = false;
    if (const auto target = SeekByTarget(base, delta, dur))
        SeekTo(*target); // SeekTo ignores a negative target, as for a media shorter than the margin
    NotifyStateChanged();
}

void SeekToFraction(double fraction) {
    double pos = -1, dur = -1;
    GetTimes(pos, dur);
    if (dur <= 0)
        return;
    transport.loopActive = false;
    if (const auto target = FractionTarget(fraction, dur))
        SeekTo(*target);
    NotifyStateChanged();
}

void BeginSeekDrag(double fraction) {
    shell.mouseMode = 1;
    if (ui.main)
        SetCapture(ui.main);
    shell.dragTarget = fraction;
    if (engine.dragOld)
        SeekToFraction(shell.dragTarget);
    InvalidateMain();
}

void MoveSeekDrag(double fraction) {
    shell.dragTarget = fraction;
    if (engine.dragOld)
        SeekToFraction(shell.dragTarget);
    InvalidateMain();
}

// The release of a seek drag makes its one seek (unless every move already sought).
void EndMouseDrag() {
    const int mode = shell.mouseMode;
    const double fraction = shell.dragTarget;
    shell.mouseMode = 0;
    shell.dragTarget = -1;
    engine.endDeferred = false;
    if (ui.main && GetCapture() == ui.main)
        ReleaseCapture();
    if (mode == 1 && fraction >= 0 && !engine.dragOld)
        SeekToFraction(fraction);
    InvalidateMain();
    NotifyStateChanged();
}

// An aborted drag (the capture taken away) leaves a media that ended meanwhile at its end.
void LoseMouseCapture() {
    shell.mouseMode = 0;
    shell.dragTarget = -1;
    if (engine.endDeferred) {
        engine.endDeferred = false;
        engine.paused = true;
    }
    InvalidateMain();
    NotifyStateChanged();
}
