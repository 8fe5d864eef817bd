#pragma once
// The rules behind seeking and loudness that need no engine object: the seek hold of the shown
// position, the end margins of relative and seek-bar seeks, and how a volume splits between the
// session's own volume and the gain transform.
#include <cstdint>
#include <optional>

inline constexpr double kSeekHoldWindowSec = 1.5;
inline constexpr double kSeekByEndMarginSec = 0.3;
inline constexpr double kFractionEndMarginSec = 0.2;
inline constexpr float kSilentVolume = 0.0001f;
inline constexpr float kMaxBoostGain = 4.0f;

struct SeekHold {
    double positionSec;   // what to report as the position
    double seekTargetSec; // the hold's target from now on (-1 when it has ended)
};

// After a seek the target is reported until the clock (negative when unknown) has come within
// the hold window below it; a clock already past that point ends the hold at once.
SeekHold ApplySeekHold(double seekTargetSec, double clockSec);

// The target of a relative seek from base; nothing when there is no base. With a known duration
// it stays the end margin short of the end, which may make it negative for a very short media.
std::optional<double> SeekByTarget(double baseSec, double deltaSec, double durationSec);

// The target of a seek-bar seek; nothing without a known duration.
std::optional<double> FractionTarget(double fraction, double durationSec);

struct VolumeSplit {
    bool mute;                // mute the session
    float sessionVolume;      // the session's master volume when not muted (0 ... 1)
    float gain;               // the boost factor: 0 when silent, else at least 1
    std::uint32_t targetGain; // the same in Q12 for the gain transform
};

// Up to 100 % the session's volume does the work and the transform stays at unity; above it the
// session plays at full volume and the transform multiplies on top.
VolumeSplit SplitVolume(float volume, bool muted);

// floor(clamp(gain, 0, 4) * 4096 + 0.5); 0 for a gain that is not a number.
std::uint32_t GainToQ12(float gain);
