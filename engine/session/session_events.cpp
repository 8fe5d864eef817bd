#include "engine/session/session_events.h"

SessionTickAction DecideSessionTick(const SessionTickInput& in) {
    if (in.failed)
        return in.examining ? SessionTickAction::KeepQuiet : SessionTickAction::ShowPlaybackError;
    // While a newly opened file is examined the session still belongs to the previous media:
    // its readiness or its end must neither start it again nor move the list on.
    if (in.examining)
        return SessionTickAction::Nothing;
    if (in.outcome == SessionOutcome::Ready)
        return SessionTickAction::StartPlayback;
    if (in.outcome == SessionOutcome::Ended) {
        if (in.draggingSeekBar && !in.dragOld && !in.noEndDefer)
            return SessionTickAction::DeferEnd;
        return SessionTickAction::AdvanceAtEnd;
    }
    return SessionTickAction::Nothing;
}
