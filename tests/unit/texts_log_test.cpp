#include <gtest/gtest.h>

#include "diag/texts_log.h"

namespace {

TEST(TextsLog, OneLinePerText) {
    struct Case {
        std::u16string cls;
        std::u16string text;
        std::string line;
    } cases[] = {
        {u"JaskelMFVideo", u"Cannot open this file.", "JaskelMFVideo\tCannot open this file.\n"},
        {u"#32770", u"first\nsecond", "#32770\tfirst\\nsecond\n"},
        {u"JaskelMFVideo", u"a\tb\r\\c", "JaskelMFVideo\ta\\tb\\r\\\\c\n"},
        {u"JaskelMFPlayer", u"\uD30C\uC77C", "JaskelMFPlayer\t\xED\x8C\x8C\xEC\x9D\xBC\n"},
        {u"JaskelMFVideo", u"", "JaskelMFVideo\t\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatTextsLogLine(c.cls, c.text), c.line);
}

} // namespace
