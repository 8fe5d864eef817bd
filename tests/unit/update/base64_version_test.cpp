#include <gtest/gtest.h>

#include "update/base64.h"
#include "update/upd_version.h"

namespace {

std::string Decoded(std::string_view text) {
    const auto bytes = DecodeStrictBase64(text);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<fail>");
}

TEST(StrictBase64, Cases) {
    struct Case {
        const char* text;
        std::string decoded;
    } cases[] = {
        {"", ""},
        {"Zg==", "f"},
        {"Zm8=", "fo"},
        {"Zm9v", "foo"},
        {"Zm9vYmFy", "foobar"},
        {"+/+/", "\xfb\xff\xbf"},
        {"Zg=", "<fail>"}, // length not a multiple of 4
        {"Zg", "<fail>"},
        {"Z===", "<fail>"}, // "=" in the second place
        {"====", "<fail>"},
        {"Zg=a", "<fail>"},     // only "=" after "="
        {"Zg==Zg==", "<fail>"}, // padding before the last group
        {"Zm9v ", "<fail>"},
        {"Zm9\n", "<fail>"},
        {"Zm-_", "<fail>"}, // URL-safe alphabet
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decoded(c.text), c.decoded) << c.text;
    EXPECT_EQ(Decoded(std::string_view("Zm9v\0AAA", 8)), "<fail>");
}

TEST(StrictBase64, EncodingRoundTrips) {
    std::vector<std::uint8_t> bytes;
    for (int n = 0; n < 70; ++n) {
        const std::string text = EncodeBase64(bytes);
        EXPECT_EQ(text.size() % 4, 0u);
        EXPECT_EQ(DecodeStrictBase64(text), bytes) << n;
        bytes.push_back(static_cast<std::uint8_t>(n * 37 + 11));
    }
    const std::vector<std::uint8_t> foobar = {'f', 'o', 'o', 'b', 'a'};
    EXPECT_EQ(EncodeBase64(foobar), "Zm9vYmE=");
}

TEST(UpdVersionSyntax, Cases) {
    struct Case {
        const char* text;
        bool mac;
        bool ok;
        UpdVersion v;
    } cases[] = {
        {"0.6.8", false, true, {0, 6, 8}},
        {"999999.0.123456", false, true, {999999, 0, 123456}},
        {"00.06.08", false, true, {0, 6, 8}},
        {"mac-1.2.3", true, true, {1, 2, 3}},
        {"0.6", false, false, {}},
        {"0.6.8.1", false, false, {}},
        {"0.6.8-beta", false, false, {}},
        {"0.6.9-beta", false, false, {}},
        {"V0.6.8", false, false, {}},
        {"1000000.0.0", false, false, {}},
        {"0.1000000.0", false, false, {}},
        {"0.0.1000000", false, false, {}},
        {"-1.0.0", false, false, {}},
        {"+1.0.0", false, false, {}},
        {" 0.6.8", false, false, {}},
        {"0.6.8 ", false, false, {}},
        {"0..8", false, false, {}},
        {"0.6.", false, false, {}},
        {"", false, false, {}},
        {"1.2.3", true, false, {}},
        {"mac-1.2.3", false, false, {}},
        {"MAC-1.2.3", true, false, {}},
        {"mac-", true, false, {}},
    };
    for (const auto& c : cases) {
        UpdVersion v{7, 7, 7};
        EXPECT_EQ(ParseUpdVersion(c.text, c.mac, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v.major, c.v.major) << c.text;
            EXPECT_EQ(v.minor, c.v.minor) << c.text;
            EXPECT_EQ(v.patch, c.v.patch) << c.text;
        }
    }
}

TEST(UpdVersionCompare, Cases) {
    struct Case {
        const char* a;
        const char* b;
        bool mac;
        int result;
    } cases[] = {
        {"0.10.0", "0.9.9", false, 1},       {"0.9.9", "0.10.0", false, -1}, {"0.6.8", "0.6.8", false, 0},
        {"0.6.8", "0.6.9", false, -1},       {"1.0.0", "0.99.99", false, 1}, {"0.6.10", "0.6.9", false, 1},
        {"0.6.8", "0.6", false, -2},         {"0.6", "0.6.8", false, -2},    {"007.0.0", "7.0.0", false, 0},
        {"mac-0.7.0", "mac-0.6.9", true, 1}, {"0.7.0", "0.6.9", true, -2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompareUpdVersions(c.a, c.b, c.mac), c.result) << c.a << " vs " << c.b;
}

} // namespace
