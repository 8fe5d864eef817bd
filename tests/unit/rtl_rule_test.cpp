#include <gtest/gtest.h>

#include "i18n/rtl_rule.h"

namespace {

bool TestLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'\u0621' && c <= u'\u064A'); }

TEST(RtlRule, OnlyRightToLeftLanguagesAndTextsWithLetters) {
    struct Case {
        bool rtl;
        std::u16string text;
        bool expected;
    } cases[] = {
        {true, u"\u0641\u062A\u062D", true}, {true, u"12:34 / 1:02:03", false}, {true, u"1.5x", true},
        {true, u"", false},                  {false, u"\u0641\u062A\u062D", false}, {false, u"open", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NeedsRtlReading(c.rtl, c.text, TestLetter), c.expected);
}

} // namespace
