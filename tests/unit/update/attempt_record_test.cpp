#include <gtest/gtest.h>

#include "update/attempt_record.h"

namespace {

const std::string kHash(64, 'a');

TEST(UpdAttemptRecord, ParseCases) {
    const UpdAttemptRecord none;
    struct Case {
        const char* name;
        std::string text;
        UpdAttemptRecord record;
    } cases[] = {
        {"full record", "v1\t" + kHash + "\t0.6.9\t1700000000\t2\n", {kHash, "0.6.9", 1700000000, 2}},
        {"empty record as written", "v1\t\t\t0\t0\n", {}},
        {"no line feed", "v1\t" + kHash + "\t0.6.9\t5\t1", {kHash, "0.6.9", 5, 1}},
        {"text after the first line ignored", "v1\t\t0.6.9\t5\t1\ngarbage", {"", "0.6.9", 5, 1}},
        {"count 1,000", "v1\t\t0.6.9\t5\t1000\n", {"", "0.6.9", 5, 1000}},
        {"negative time kept", "v1\t\t0.6.9\t-5\t1\n", {"", "0.6.9", -5, 1}},
        {"largest time", "v1\t\t0.6.9\t9223372036854775807\t1\n", {"", "0.6.9", INT64_MAX, 1}},
        {"time beyond 64 bits", "v1\t\t0.6.9\t9223372036854775808\t1\n", none},
        {"count 1,001", "v1\t\t0.6.9\t5\t1001\n", none},
        {"negative count", "v1\t\t0.6.9\t5\t-1\n", none},
        {"count with a sign", "v1\t\t0.6.9\t5\t+1\n", none},
        {"count with CR", "v1\t\t0.6.9\t5\t1\r\n", none},
        {"time with a space", "v1\t\t0.6.9\t 5\t1\n", none},
        {"empty time", "v1\t\t0.6.9\t\t1\n", none},
        {"four fields", "v1\t\t0.6.9\t5\n", none},
        {"six fields", "v1\t\t0.6.9\t5\t1\t\n", none},
        {"v2", "v2\t\t0.6.9\t5\t1\n", none},
        {"upper-case hash", "v1\t" + std::string(64, 'A') + "\t0.6.9\t5\t1\n", none},
        {"short hash", "v1\t" + std::string(63, 'a') + "\t0.6.9\t5\t1\n", none},
        {"empty text", "", none},
        {"a line feed only", "\n", none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseUpdAttemptRecord(c.text), c.record) << c.name;
}

TEST(UpdAttemptRecord, WriterEmitsTheLineTheReaderTakes) {
    const UpdAttemptRecord records[] = {
        {}, {kHash, "0.6.9", 1700000000, 1}, {"", "mac-1.2.3", INT64_MAX, 1000}, {kHash, "", -1, 0}};
    for (const auto& r : records) {
        const std::string text = FormatUpdAttemptRecord(r);
        EXPECT_TRUE(text.starts_with("v1\t")) << text;
        EXPECT_TRUE(text.ends_with("\n")) << text;
        EXPECT_EQ(ParseUpdAttemptRecord(text), r) << text;
    }
    EXPECT_EQ(FormatUpdAttemptRecord({kHash, "0.6.9", 1700000000, 2}),
              "v1\t" + kHash + "\t0.6.9\t1700000000\t2\n");
}

} // namespace
