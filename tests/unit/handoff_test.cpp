#include <gtest/gtest.h>

#include <cstring>

#include "app/handoff.h"

namespace {

using Paths = std::vector<std::u16string>;

std::vector<unsigned char> Bytes(std::u16string_view units) {
    std::vector<unsigned char> bytes(units.size() * 2);
    std::memcpy(bytes.data(), units.data(), bytes.size());
    return bytes;
}

TEST(Handoff, PayloadJoinsWithLineFeedsAndOneTerminator) {
    struct Case {
        const char* name;
        Paths files;
        std::u16string units;
    } cases[] = {
        {"two paths", {u"A", u"B"}, std::u16string(u"A\nB\0", 4)},
        {"one path", {u"C:\\v\\a.mp4"}, std::u16string(u"C:\\v\\a.mp4\0", 11)},
        {"korean path", {u"D:\\\uC74C\uC545.mp3"}, std::u16string(u"D:\\\uC74C\uC545.mp3\0", 10)},
        {"carriage return kept", {u"A\r", u"B"}, std::u16string(u"A\r\nB\0", 5)},
        {"no files", {}, std::u16string(u"\0", 1)},
    };
    for (const auto& c : cases) {
        const std::u16string payload = BuildHandoffPayload(c.files);
        EXPECT_EQ(payload, c.units) << c.name;
        EXPECT_NE(payload.front(), u'\uFEFF') << c.name;
    }
    // cbData = (units + 1) * 2 for "A\nB": 3 units and the terminator.
    EXPECT_EQ(BuildHandoffPayload({u"A", u"B"}).size() * 2, 8u);
}

TEST(Handoff, ReceiverCases) {
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        std::optional<Paths> expected;
    };
    auto bytesOf = [](std::u16string_view units) { return Bytes(units); };
    std::vector<unsigned char> oddCount = bytesOf(std::u16string(u"AB\0", 3));
    oddCount.resize(5); // "AB" and half a unit
    std::vector<unsigned char> oddNoNul = bytesOf(u"AB");
    oddNoNul.push_back('C');
    const Case cases[] = {
        {"empty", {}, std::nullopt},
        {"one byte", {0x41}, std::nullopt},
        {"one NUL unit", bytesOf(std::u16string(u"\0", 1)), Paths{}},
        {"two paths", bytesOf(std::u16string(u"A\nB\0", 4)), Paths{u"A", u"B"}},
        {"two line feeds in a row", bytesOf(std::u16string(u"A\n\nB\0", 5)), Paths{u"A", u"B"}},
        {"leading and trailing line feeds", bytesOf(std::u16string(u"\nA\n\0", 4)), Paths{u"A"}},
        {"no line feed", bytesOf(std::u16string(u"C:\\one.mp4\0", 11)), Paths{u"C:\\one.mp4"}},
        {"carriage return kept", bytesOf(std::u16string(u"A\r\nB\r\0", 6)), Paths{u"A\r", u"B\r"}},
        {"cut at the first NUL", bytesOf(std::u16string(u"A\0B\0", 4)), Paths{u"A"}},
        {"no terminator", bytesOf(u"A\nB"), Paths{u"A", u"B"}},
        {"odd count drops the half unit", oddCount, Paths{u"AB"}},
        {"odd count without NUL", oddNoNul, Paths{u"AB"}},
        {"only separators", bytesOf(std::u16string(u"\n\n\0", 3)), Paths{}},
    };
    for (const auto& c : cases) {
        const void* data = c.bytes.empty() ? nullptr : c.bytes.data();
        EXPECT_EQ(ParseHandoffPayload(data, c.bytes.size()), c.expected) << c.name;
    }
}

TEST(Handoff, NullDataIsIgnoredWhateverTheCount) {
    EXPECT_EQ(ParseHandoffPayload(nullptr, 100), std::nullopt);
}

TEST(Handoff, UnalignedDataReadsTheSameUnits) {
    const auto bytes = Bytes(std::u16string(u"A\nB\0", 4));
    std::vector<unsigned char> shifted(bytes.size() + 1);
    std::memcpy(shifted.data() + 1, bytes.data(), bytes.size());
    EXPECT_EQ(ParseHandoffPayload(shifted.data() + 1, bytes.size()), (Paths{u"A", u"B"}));
}

TEST(Handoff, SenderAndReceiverAgree) {
    const Paths files = {u"C:\\v\\1.mp4", u"\\\\host\\share\\\uC74C\uC545.flac", u"rel\\x.mkv"};
    const std::u16string payload = BuildHandoffPayload(files);
    EXPECT_EQ(ParseHandoffPayload(payload.data(), payload.size() * 2), files);
}

} // namespace
