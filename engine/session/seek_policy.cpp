#include "engine/session/seek_policy.h"

#include <algorithm>
#include <cmath>

SeekHold ApplySeekHold(double seekTargetSec, double clockSec) {
    if (seekTargetSec < 0)
        return {clockSec, seekTargetSec};
    if (clockSec >= 0 && clockSec > seekTargetSec - kSeekHoldWindowSec)
        return {clockSec, -1};
    return {seekTargetSec, seekTargetSec};
}

std::optional<double> SeekByTarget(double baseSec, double deltaSec, double durationSec) {
    if (!(baseSec >= 0))
        return std::nullopt;
    double target = std::max(0.0, baseSec + deltaSec);
    if (durationSec > 0 && target > durationSec - kSeekByEndMarginSec)
        target = durationSec - kSeekByEndMarginSec;
    return target;
}

std::optional<double> FractionTarget(double fraction, double durationSec) {
    if (!(durationSec > 0) || std::isnan(fraction))
        return std::nullopt;
    const double target =
        std::min(std::clamp(fraction, 0.0, 1.0) * durationSec, durationSec - kFractionEndMarginSec);
    return std::max(target, 0.0);
}

VolumeSplit SplitVolume(float volume, bool muted) {
    const float v = muted ? 0.0f : volume;
    if (!(v > kSilentVolume))
        return {true, 0.0f, 0.0f, 0};
    const float gain = std::max(v, 1.0f);
    return {false, std::min(v, 1.0f), gain, GainToQ12(gain)};
}

std::uint32_t GainToQ12(float gain) {
    if (!(gain > 0))
        return 0;
    return static_cast<std::uint32_t>(std::floor(std::min(gain, kMaxBoostGain) * 4096.0f + 0.5f));
}
