#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "engine/session/seek_policy.h"

namespace {

TEST(SeekPolicy, SeekHold) {
    const struct {
        const char* name;
        double target, clock;
        double shown, targetAfter;
    } cases[] = {
        {"no hold reports the clock", -1, 3.0, 3.0, -1},
        {"no hold and no clock", -1, -1, -1, -1},
        {"forward seek holds while the clock is far below", 12.0, 3.0, 12.0, 12.0},
        {"the clock exactly 1.5 below still holds", 12.0, 10.5, 12.0, 12.0},
        {"the clock within 1.5 below ends the hold", 12.0, 10.6, 10.6, -1},
        {"a backward seek ends the hold at once", 2.0, 30.0, 30.0, -1},
        {"an unknown clock keeps the hold", 12.0, -1, 12.0, 12.0},
        {"a seek to 0 with the clock at 0 ends the hold", 0.0, 0.0, 0.0, -1},
    };
    for (const auto& c : cases) {
        const SeekHold hold = ApplySeekHold(c.target, c.clock);
        EXPECT_DOUBLE_EQ(hold.positionSec, c.shown) << c.name;
        EXPECT_DOUBLE_EQ(hold.seekTargetSec, c.targetAfter) << c.name;
    }
}

TEST(SeekPolicy, SeekHoldAcrossTicks) {
    double target = 12.0;
    for (const double clock : {3.0, 6.0, 10.5}) {
        const SeekHold hold = ApplySeekHold(target, clock);
        EXPECT_DOUBLE_EQ(hold.positionSec, 12.0) << clock;
        target = hold.seekTargetSec;
    }
    const SeekHold hold = ApplySeekHold(target, 10.6);
    EXPECT_DOUBLE_EQ(hold.positionSec, 10.6);
    EXPECT_DOUBLE_EQ(ApplySeekHold(hold.seekTargetSec, 10.9).positionSec, 10.9);
}

TEST(SeekPolicy, SeekByTarget) {
    const struct {
        const char* name;
        double base, delta, duration;
        std::optional<double> target;
    } cases[] = {
        {"forward stops 0.3 s short of the end", 95, 10, 100, 99.7},
        {"backward stops at the start", 4, -10, 100, 0.0},
        {"inside the media", 40, 10, 100, 50.0},
        {"unknown duration has no end margin", 95, 10, -1, 105.0},
        {"zero duration counts as unknown", 95, 10, 0, 105.0},
        {"no position, no seek", -1, 10, 100, std::nullopt},
        {"a media shorter than the margin gives a negative target", 0.1, 10, 0.2, 0.2 - 0.3},
    };
    for (const auto& c : cases) {
        const std::optional<double> target = SeekByTarget(c.base, c.delta, c.duration);
        ASSERT_EQ(target.has_value(), c.target.has_value()) << c.name;
        if (target) {
            EXPECT_NEAR(*target, *c.target, 1e-9) << c.name;
        }
    }
}

TEST(SeekPolicy, FractionTarget) {
    const struct {
        const char* name;
        double fraction, duration;
        std::optional<double> target;
    } cases[] = {
        {"the end stops 0.2 s short", 1.0, 100, 99.8},
        {"beyond the bar counts as its end", 1.5, 100, 99.8},
        {"the middle", 0.5, 100, 50.0},
        {"the start", 0.0, 100, 0.0},
        {"before the bar counts as its start", -0.5, 100, 0.0},
        {"unknown duration, no seek", 0.5, -1, std::nullopt},
        {"zero duration, no seek", 0.5, 0, std::nullopt},
        {"not a number, no seek", std::nan(""), 100, std::nullopt},
        {"a media shorter than the margin seeks to 0", 1.0, 0.1, 0.0},
    };
    for (const auto& c : cases) {
        const std::optional<double> target = FractionTarget(c.fraction, c.duration);
        ASSERT_EQ(target.has_value(), c.target.has_value()) << c.name;
        if (target) {
            EXPECT_NEAR(*target, *c.target, 1e-9) << c.name;
        }
    }
}

TEST(SeekPolicy, VolumeSplit) {
    const struct {
        const char* name;
        float volume;
        bool muted;
        bool mute;
        float session, gain;
        std::uint32_t q12;
    } cases[] = {
        {"250 % plays the session at full and boosts 2.5 times", 2.5f, false, false, 1.0f, 2.5f, 10240},
        {"100 % is unity", 1.0f, false, false, 1.0f, 1.0f, 4096},
        {"below 100 % only the session's volume moves", 0.4f, false, false, 0.4f, 1.0f, 4096},
        {"400 %", 4.0f, false, false, 1.0f, 4.0f, 16384},
        {"beyond 400 % the transform stays at 4.0", 5.0f, false, false, 1.0f, 5.0f, 16384},
        {"mute silences both", 2.5f, true, true, 0.0f, 0.0f, 0},
        {"volume 0 mutes", 0.0f, false, true, 0.0f, 0.0f, 0},
        {"a trace of volume counts as silence", 0.0001f, false, true, 0.0f, 0.0f, 0},
        {"just above the trace plays", 0.0002f, false, false, 0.0002f, 1.0f, 4096},
    };
    for (const auto& c : cases) {
        const VolumeSplit split = SplitVolume(c.volume, c.muted);
        EXPECT_EQ(split.mute, c.mute) << c.name;
        EXPECT_FLOAT_EQ(split.sessionVolume, c.session) << c.name;
        EXPECT_FLOAT_EQ(split.gain, c.gain) << c.name;
        EXPECT_EQ(split.targetGain, c.q12) << c.name;
    }
}

TEST(SeekPolicy, GainToQ12RoundsHalfUpAndClamps) {
    const struct {
        float gain;
        std::uint32_t q12;
    } cases[] = {
        {1.0f, 4096},
        {2.5f, 10240},
        {4.0f, 16384},
        {9.0f, 16384},
        {0.0f, 0},
        {-1.0f, 0},
        {std::nanf(""), 0},
        {1.0f + 0.5f / 4096, 4097}, // exactly half a step rounds up
        {1.0f + 0.25f / 4096, 4096},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GainToQ12(c.gain), c.q12) << c.gain;
}

} // namespace
