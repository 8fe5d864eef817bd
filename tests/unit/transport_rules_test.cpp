#include <gtest/gtest.h>

#include "ui/transport_rules.h"

namespace {

TEST(TransportRules, SpeedStepsRoundInSinglePrecisionAndStopAtTheLimits) {
    const struct {
        float from;
        float delta;
        int steps;
        float expected;
    } cases[] = {
        {1.0f, -0.1f, 1, 0.9f},  {1.0f, 0.1f, 1, 1.1f},    {0.5f, -0.1f, 5, 0.25f},
        {2.9f, 0.1f, 3, 3.0f},   {1.05f, 0.1f, 1, 1.15f}, {0.25f, 0.1f, 1, 0.35f},
        {1.0f, 0.1f, 10, 2.0f},  {2.0f, -0.1f, 10, 1.0f},
    };
    for (const auto& c : cases) {
        float speed = c.from;
        for (int i = 0; i < c.steps; ++i)
            speed = SteppedSpeed(speed, c.delta);
        EXPECT_FLOAT_EQ(speed, c.expected) << c.from << " stepped " << c.steps << " times by " << c.delta;
    }
}

TEST(TransportRules, NormalPreviousToggle) {
    // Z at 1.0 with no earlier change goes to 1.5, then back to 1.0, then 1.5 again; after 2.0,
    // Z gives 1.0 and then 2.0.
    SpeedSetting s;
    const float expectedFromStart[] = {1.5f, 1.0f, 1.5f};
    for (float expected : expectedFromStart) {
        s = SetSpeedRule(s, NormalSpeedToggle(s));
        EXPECT_FLOAT_EQ(s.speed, expected);
    }
    s = SetSpeedRule(s, 2.0f);
    s = SetSpeedRule(s, NormalSpeedToggle(s));
    EXPECT_FLOAT_EQ(s.speed, 1.0f);
    EXPECT_FLOAT_EQ(s.previousSpeed, 2.0f) << "1.0 is never remembered as the previous speed";
    s = SetSpeedRule(s, NormalSpeedToggle(s));
    EXPECT_FLOAT_EQ(s.speed, 2.0f);
    EXPECT_FLOAT_EQ(SetSpeedRule(s, 9.0f).speed, 3.0f);
    EXPECT_FLOAT_EQ(SetSpeedRule(s, 0.1f).speed, 0.25f);
    EXPECT_TRUE(ApproximatelyOne(1.0009f));
    EXPECT_FALSE(ApproximatelyOne(1.001f));
    EXPECT_FALSE(ApproximatelyOne(0.999f));
}

TEST(TransportRules, VolumeStepsFollowTheSliderWithItsKnee) {
    const auto step = [](float volume, double delta, double maxGain) {
        return KeptVolume(SliderFractionToGain(GainToSliderFraction(volume, maxGain) + delta, maxGain), maxGain);
    };
    const struct {
        const char* name;
        float from;
        double delta;
        int steps;
        double maxGain;
        float expected;
    } cases[] = {
        {"up from 100 %", 1.0f, 0.06, 1, 4.0, 1.45f},
        {"twice up from 100 %", 1.0f, 0.06, 2, 4.0, 1.9f},
        {"three times up from 100 %", 1.0f, 0.06, 3, 4.0, 2.35f},
        {"down from 100 %", 1.0f, -0.06, 1, 4.0, 0.9f},
        {"twice down from 100 %", 1.0f, -0.06, 2, 4.0, 0.8f},
        {"up from 90 % snaps to 100 %", 0.9f, 0.06, 1, 4.0, 1.0f},
        {"the wheel moves 5 % below 100 %", 0.5f, 0.03, 1, 4.0, 0.55f},
        {"the top stays at 400 %", 4.0f, 0.06, 1, 4.0, 4.0f},
        {"the bottom stays at 0", 0.0f, -0.06, 1, 4.0, 0.0f},
        {"the other engine never passes 100 %", 1.0f, 0.06, 3, 1.0, 1.0f},
    };
    for (const auto& c : cases) {
        float volume = c.from;
        for (int i = 0; i < c.steps; ++i)
            volume = step(volume, c.delta, c.maxGain);
        EXPECT_FLOAT_EQ(volume, c.expected) << c.name;
    }
    EXPECT_EQ(VolumePercent(2.35f), 235);
    EXPECT_DOUBLE_EQ(GainToSliderFraction(-1, 4), 0);
    EXPECT_DOUBLE_EQ(GainToSliderFraction(9, 4), 1);
    EXPECT_DOUBLE_EQ(SliderFractionToGain(0.61, 4), 1.0) << "within 0.02 of the knee";
    EXPECT_DOUBLE_EQ(SliderFractionToGain(0.7, 1), 1.0) << "above the knee with the other engine";
    EXPECT_DOUBLE_EQ(SliderFractionToGain(2, 4), 4.0) << "clamped";
}

TEST(TransportRules, LoopPoints) {
    LoopPoints loop;
    EXPECT_FALSE(SetLoopStartAt(loop, -1)) << "an unknown position sets nothing";
    EXPECT_LT(loop.a, 0);

    loop = {-1, 10.1, false};
    ASSERT_TRUE(SetLoopStartAt(loop, 10));
    EXPECT_LT(loop.b, 0) << "a B within 0.2 s after A is unset";
    EXPECT_FALSE(loop.active);

    loop = {-1, 30, false};
    SetLoopStartAt(loop, 10);
    EXPECT_TRUE(loop.active) << "a B well after A starts the loop at once";

    loop = {5, -1, false};
    EXPECT_DOUBLE_EQ(SetLoopEndAt(loop, 200, 100), 99.7) << "limited to the duration minus 0.3";
    EXPECT_TRUE(loop.active);
    loop = {5, -1, false};
    SetLoopEndAt(loop, 5.1, 100);
    EXPECT_FALSE(loop.active) << "a B too close after A is kept but does not start the loop";
    EXPECT_DOUBLE_EQ(loop.b, 5.1);
    loop = {-1, -1, false};
    EXPECT_DOUBLE_EQ(SetLoopEndAt(loop, 50, -1), 50) << "unknown duration: no limit";
}

TEST(TransportRules, LoopToggleAndCheck) {
    LoopPoints onlyA{10, -1, false};
    EXPECT_EQ(ToggleLoopRule(onlyA), LoopToggleResult::NeedsPoints);
    EXPECT_FALSE(onlyA.active);
    LoopPoints both{10, 20, true};
    EXPECT_EQ(ToggleLoopRule(both), LoopToggleResult::TurnedOff);
    EXPECT_EQ(ToggleLoopRule(both), LoopToggleResult::TurnedOn);

    const struct {
        const char* name;
        LoopPoints loop;
        bool dragging;
        std::uint64_t since;
        double position;
        bool due;
    } cases[] = {
        {"at B", {10, 20, true}, false, 500, 20.0, true},
        {"before B", {10, 20, true}, false, 500, 19.9, false},
        {"right after a jump", {10, 20, true}, false, 400, 25.0, false},
        {"401 ms after a jump", {10, 20, true}, false, 401, 25.0, true},
        {"loop off", {10, 20, false}, false, 500, 25.0, false},
        {"during a seek drag", {10, 20, true}, true, 500, 25.0, false},
        {"unknown position", {10, 20, true}, false, 500, -1.0, false},
        {"B before A", {20, 10, true}, false, 500, 25.0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoopJumpDue(c.loop, c.dragging, c.since, c.position), c.due) << c.name;
}

TEST(TransportRules, ClockText) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {{0, "0:00"}, {-5, "0:00"}, {59.9, "0:59"}, {83, "1:23"}, {7200, "120:00"}, {3599, "59:59"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatClock(c.seconds), c.text) << c.seconds;
}

} // namespace
