#include "ui/transport_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

bool ApproximatelyOne(float speed) { return speed > 0.999f && speed < 1.001f; }

namespace {

float ClampSpeed(float speed) { return std::clamp(speed, kMinSpeed, kMaxSpeed); }

} // namespace

float SteppedSpeed(float speed, float delta) {
    const float hundredths = (speed + delta) * 100.0f + 0.5f;
    return ClampSpeed(static_cast<float>(static_cast<int>(hundredths)) / 100.0f);
}

SpeedSetting SetSpeedRule(SpeedSetting current, float wanted) {
    const float speed = ClampSpeed(wanted);
    if (!ApproximatelyOne(speed))
        current.previousSpeed = speed;
    current.speed = speed;
    return current;
}

float NormalSpeedToggle(const SpeedSetting& current) {
    if (!ApproximatelyOne(current.speed))
        return 1.0f;
    return ApproximatelyOne(current.previousSpeed) ? 1.5f : current.previousSpeed;
}

double GainToSliderFraction(double volume, double maxGain) {
    if (volume < 0)
        return 0;
    volume = std::min(volume, maxGain);
    if (volume <= 1 || maxGain <= 1)
        return kSliderKnee * std::min(volume, 1.0);
    return kSliderKnee + (1 - kSliderKnee) * (volume - 1) / (maxGain - 1);
}

double SliderFractionToGain(double fraction, double maxGain) {
    const double p = std::clamp(fraction, 0.0, 1.0);
    if (std::fabs(p - kSliderKnee) < 0.02)
        return 1.0; // the slider snaps to 100 %
    if (p <= kSliderKnee)
        return p / kSliderKnee;
    return 1 + (p - kSliderKnee) / (1 - kSliderKnee) * (maxGain - 1);
}

float KeptVolume(double volume, double maxGain) {
    const double limited = volume < 0 ? 0 : std::min(volume, maxGain);
    return static_cast<float>(static_cast<int>(limited * 100 + 0.5)) / 100.0f;
}

int VolumePercent(float volume) { return static_cast<int>(volume * 100 + 0.5); }

bool SetLoopStartAt(LoopPoints& loop, double t) {
    if (t < 0)
        return false;
    loop.a = t;
    if (loop.b >= 0 && loop.b <= t + kLoopMinLength)
        loop.b = -1;
    if (loop.b > t + kLoopMinLength)
        loop.active = true;
    return true;
}

double SetLoopEndAt(LoopPoints& loop, double t, double duration) {
    if (t < 0)
        return -1;
    if (duration > 0)
        t = std::min(t, duration - kLoopEndMargin);
    loop.b = t;
    if (loop.a >= 0 && t > loop.a + kLoopMinLength)
        loop.active = true;
    return t;
}

LoopToggleResult ToggleLoopRule(LoopPoints& loop) {
    if (!(loop.a >= 0 && loop.b > loop.a + kLoopMinLength))
        return LoopToggleResult::NeedsPoints;
    loop.active = !loop.active;
    return loop.active ? LoopToggleResult::TurnedOn : LoopToggleResult::TurnedOff;
}

bool LoopJumpDue(const LoopPoints& loop, bool seekDragging, std::uint64_t sinceLastJumpMs, double position) {
    if (!loop.active || seekDragging || loop.a < 0 || !(loop.a < loop.b))
        return false;
    if (sinceLastJumpMs < kLoopJumpSettleMs)
        return false; // the engine may still report the old place
    return position >= 0 && position >= loop.b;
}

std::string FormatClock(double seconds) {
    const long long whole = seconds > 0 ? static_cast<long long>(seconds) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}
