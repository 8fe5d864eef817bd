#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

using Args = std::vector<std::u16string>;

struct FileArgumentCase {
    const char* name;
    Args args;
    Args files;
};

TEST(CommandLine, FileArgumentRule) {
    const FileArgumentCase cases[] = {
        {"order kept", {u"B.mp4", u"A.mp4"}, {u"B.mp4", u"A.mp4"}},
        {"--lang and its value skipped", {u"A", u"-x", u"--lang", u"de", u"B"}, {u"A", u"B"}},
        {"--lang= form is a dash argument", {u"--lang=fr", u"A"}, {u"A"}},
        {"--lang is case-sensitive", {u"--LANG", u"de"}, {u"de"}},
        {"--lang last consumes nothing", {u"A", u"--lang"}, {u"A"}},
        {"--lang value that looks like a path", {u"--lang", u"C:\\x.mp4", u"D:\\y.mp4"}, {u"D:\\y.mp4"}},
        {"empty arguments skipped", {u"", u"A", u""}, {u"A"}},
        {"single dash skipped", {u"-", u"A"}, {u"A"}},
        {"probe switch and its version", {u"--jk-upd-probe", u"0.6.8"}, {u"0.6.8"}},
        {"paths unchanged", {u"  spaced .mp4", u"..\\rel", u"\\\\server\\share"},
         {u"  spaced .mp4", u"..\\rel", u"\\\\server\\share"}},
        {"nothing", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CollectFileArguments(c.args), c.files) << c.name;
}

TEST(CommandLine, ProbeModeAndVersion) {
    EXPECT_TRUE(IsProbeMode({u"x", u"--JK-UPD-PROBE"}));
    EXPECT_FALSE(IsProbeMode({u"--jk-upd-probe2"}));
    EXPECT_FALSE(IsProbeMode({}));
    EXPECT_EQ(ProbeVersionArgument({u"--Jk-Upd-Probe", u"0.6.8"}), u"0.6.8");
    EXPECT_EQ(ProbeVersionArgument({u"--jk-upd-probe"}), std::nullopt);
}

struct SwitchCase {
    const char* name;
    std::optional<std::u16string> value;
    bool expected;
};

TEST(CommandLine, EngineChoice) {
    const SwitchCase cases[] = {
        {"unset", std::nullopt, false},
        {"mfplay", u"mfplay", true},
        {"capitals", u"MFPLAY", true},
        {"mixed case", u"MfPlay", true},
        {"one more character", u"mfplay1", false},
        {"empty", u"", false},
        {"15 characters", u"mfplay         ", false},
        {"16 characters", u"mfplaymfplaymfpl", false},
        {"session", u"session", false},
    };
    for (const auto& c : cases) {
        const EngineKind expected = c.expected ? EngineKind::MFPlay : EngineKind::Session;
        EXPECT_EQ(ChooseEngineKind(c.value), expected) << c.name;
    }
}

TEST(CommandLine, DragSwitches) {
    const SwitchCase cases[] = {
        {"unset", std::nullopt, false},
        {"1", u"1", true},
        {"1abc", u"1abc", true},
        {"0", u"0", false},
        {"yes", u"yes", false},
        {"empty", u"", false},
        {"7 characters fit", u"1234567", true},
        {"8 characters do not fit", u"12345678", false},
        {"leading space", u" 1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DragSwitchOn(c.value), c.expected) << c.name;
}

} // namespace
