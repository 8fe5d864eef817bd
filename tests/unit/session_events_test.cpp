#include <gtest/gtest.h>

#include "engine/session/session_events.h"
#include "engine/video/nv12_frame.h"

namespace {

TEST(SessionEvents, TickDecisions) {
    using A = SessionTickAction;
    using O = SessionOutcome;
    const struct {
        const char* name;
        SessionTickInput in;
        A action;
    } cases[] = {
        {"nothing happened", {false, false, O::None}, A::Nothing},
        {"ready starts playback", {false, false, O::Ready}, A::StartPlayback},
        {"the previous media's ready while a file is examined is ignored",
         {false, true, O::Ready},
         A::Nothing},
        {"ended advances", {false, false, O::Ended}, A::AdvanceAtEnd},
        {"the previous media's end while a file is examined is ignored", {false, true, O::Ended}, A::Nothing},
        {"ended while examining is ignored even during a drag", {false, true, O::Ended, true}, A::Nothing},
        {"ended during a seek drag is deferred", {false, false, O::Ended, true}, A::DeferEnd},
        {"old drag policy does not defer", {false, false, O::Ended, true, true}, A::AdvanceAtEnd},
        {"no end deferral", {false, false, O::Ended, true, false, true}, A::AdvanceAtEnd},
        {"error shows the message", {true, false, O::Error}, A::ShowPlaybackError},
        {"an earlier error sticks", {true, false, O::Ready}, A::ShowPlaybackError},
        {"error while examining stays quiet", {true, true, O::Error}, A::KeepQuiet},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideSessionTick(c.in), c.action) << c.name;
}

TEST(FrameSinkConfiguration, ApertureFromTheMediaType) {
    const struct {
        const char* name;
        std::optional<CodedSize> coded;
        std::optional<Aperture> area;
        Aperture expected;
    } cases[] = {
        {"coded size only", CodedSize{1920, 1088}, std::nullopt, {0, 0, 1920, 1088}},
        {"display aperture wins", CodedSize{1920, 1088}, Aperture{0, 0, 1920, 1080}, {0, 0, 1920, 1080}},
        {"offset aperture", CodedSize{720, 576}, Aperture{8, 4, 704, 568}, {8, 4, 704, 568}},
        {"empty aperture ignored", CodedSize{640, 480}, Aperture{0, 0, 0, 480}, {0, 0, 640, 480}},
        {"no media type", std::nullopt, std::nullopt, {0, 0, 1920, 1088}},
        {"zero coded size", CodedSize{0, 0}, std::nullopt, {0, 0, 1920, 1088}},
        {"zero coded size keeps a real aperture",
         CodedSize{0, 0},
         Aperture{0, 0, 320, 240},
         {0, 0, 320, 240}},
    };
    for (const auto& c : cases) {
        const Aperture a = ApertureFromMediaType(c.coded, c.area);
        EXPECT_EQ(a.x, c.expected.x) << c.name;
        EXPECT_EQ(a.y, c.expected.y) << c.name;
        EXPECT_EQ(a.width, c.expected.width) << c.name;
        EXPECT_EQ(a.height, c.expected.height) << c.name;
    }
}

} // namespace
