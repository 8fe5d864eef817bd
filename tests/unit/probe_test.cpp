#include <gtest/gtest.h>

#include "update/probe.h"

namespace {

TEST(Probe, AnswersOnlyItsOwnVersion) {
    struct Case {
        std::vector<std::u16string> args;
        std::optional<std::string> answer;
    } cases[] = {
        {{u"--jk-upd-probe", u"0.6.8"}, "ok 0.6.8\n"},
        {{u"--JK-UPD-PROBE", u"0.6.8"}, "ok 0.6.8\n"},
        {{u"--jk-upd-probe", u"0.6.9"}, std::nullopt},
        {{u"--jk-upd-probe", u"0.6.8 "}, std::nullopt},
        {{u"--jk-upd-probe"}, std::nullopt},
        {{u"0.6.8", u"--jk-upd-probe"}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProbeAnswer(c.args, u"0.6.8"), c.answer);
}

} // namespace
