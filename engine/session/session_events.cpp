#include "engine/session/session_events.h"

SessionTickAction DecideSessionTick(const SessionTickInput& in) {
    if (in.failed)
        return in.examining ? SessionTickAction::KeepQuiet : SessionTickAction::ShowPlaybackError;
    if (in.outcome == SessionOutcome::Ready)
        return SessionTickAction::StartPlayback;
    if (in.outcome == SessionOutcome::Ended && !in.examining) {
        if (in.draggingSeekBar && !in.dragOld && !in.noEndDefer)
            return SessionTickAction::DeferEnd;
        return SessionTickAction::AdvanceAtEnd;
    }
    return SessionTickAction::Nothing;
}
