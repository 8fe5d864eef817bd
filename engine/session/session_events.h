#pragma once
// What one interface tick does with the Media Session's events: the strongest outcome seen in the
// tick decides, and a failure stays for the rest of the media.

enum class SessionOutcome { None = 0, Ready = 1, Ended = 2, Error = 3 };

inline SessionOutcome Stronger(SessionOutcome a, SessionOutcome b) { return a > b ? a : b; }

inline constexpr int kMaxSessionEventsPerTick = 64;

enum class SessionTickAction {
    Nothing,
    ShowPlaybackError, // "Cannot play this file."
    KeepQuiet,         // failed while the file is examined: its scan reopens it anyway
    StartPlayback,     // topology ready
    DeferEnd,          // ended while the seek bar is dragged: the drag's release finishes it
    AdvanceAtEnd,      // ended: the playlist decides what comes next
};

struct SessionTickInput {
    bool failed = false; // now or in an earlier tick
    bool examining = false;
    SessionOutcome outcome = SessionOutcome::None;
    bool draggingSeekBar = false; // mouseMode 1
    bool dragOld = false;
    bool noEndDefer = false;
};

SessionTickAction DecideSessionTick(const SessionTickInput& in);
