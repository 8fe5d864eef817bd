#pragma once
// The engine operations that move the position and change how the media plays: absolute seeks,
// the position and duration the interface shows, the rate and the loudness. User-interface
// thread only; each does nothing without an engine object to act on.

// Absolute seek in seconds; a negative position is ignored. A refused seek shows "This file
// does not support seeking" through engineEvents.showOsd.
void SeekTo(double sec);

// Position (-1 unknown) and duration (<= 0 unknown) in seconds, with the seek hold: right after
// a seek the target is reported until the clock has nearly reached it.
void GetTimes(double& pos, double& dur);

// Pushes engine.speed to the playing media.
void ApplyRate();

// Pushes engine.volume and engine.muted: the session's own volume up to 100 %, the gain
// transform above it (session engine); the player's volume (MFPlay engine).
void ApplyVolume();

// The value last set on the session's audio volume (-1 none) and the live gain transform's Q12
// target (-1 when there is none), for diagnostics.
double LastSessionVolume();
long LiveTargetGain();
