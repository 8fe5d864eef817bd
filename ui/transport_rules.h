#pragma once
// The rules of the playback settings the user changes: speed limits and steps, the volume slider
// scale with its knee at 100 %, and the A-B loop points. Portable; the window layer applies them.
#include <cstdint>
#include <string>

inline constexpr float kMinSpeed = 0.25f;
inline constexpr float kMaxSpeed = 3.0f;
inline constexpr double kSliderKnee = 0.6;   // the slider fraction of 100 %
inline constexpr double kLoopMinLength = 0.2; // B must lie this far beyond A for the loop to run
inline constexpr double kLoopEndMargin = 0.3; // B stays this far before the end
inline constexpr std::uint64_t kLoopJumpSettleMs = 401;

// Strictly between 0.999 and 1.001: every comparison of a speed with 1 uses it.
bool ApproximatelyOne(float speed);

// The speed after a step of delta, rounded to hundredths in single precision and clamped.
float SteppedSpeed(float speed, float delta);

struct SpeedSetting {
    float speed = 1.0f;
    float previousSpeed = 1.0f; // the last speed set that was not 1
};
SpeedSetting SetSpeedRule(SpeedSetting current, float wanted);
// Z: back to 1 from any other speed; from 1 to the previous speed, or 1.5 when there is none.
float NormalSpeedToggle(const SpeedSetting& current);

// The slider scale: 0.6 is 100 %; above it the rest of the slider reaches maxGain.
double GainToSliderFraction(double volume, double maxGain);
double SliderFractionToGain(double fraction, double maxGain);
// A volume as it is kept: limited to 0 .. maxGain and rounded to hundredths.
float KeptVolume(double volume, double maxGain);
int VolumePercent(float volume);

struct LoopPoints {
    double a = -1; // negative: unset
    double b = -1;
    bool active = false;
};
// Setting A at t (false when t is unknown): a B too close after it is unset; a B far enough
// after it starts the loop.
bool SetLoopStartAt(LoopPoints& loop, double t);
// Setting B at t, limited to the duration minus the end margin when the duration is known; the
// loop starts when B lies far enough after A. Returns the B stored, or -1 when t is unknown.
double SetLoopEndAt(LoopPoints& loop, double t, double duration);
enum class LoopToggleResult { TurnedOn, TurnedOff, NeedsPoints };
LoopToggleResult ToggleLoopRule(LoopPoints& loop);
// The interface tick's check: true when playback has reached B and must go back to A.
bool LoopJumpDue(const LoopPoints& loop, bool seekDragging, std::uint64_t sinceLastJumpMs, double position);

// "%d:%02d": whole minutes, not limited to 59, and seconds; negative values show 0:00.
std::string FormatClock(double seconds);
