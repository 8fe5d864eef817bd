#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "update/transfer_rules.h"
#include "update/upd_log.h"

namespace {

TEST(UpdRequestPaths, ManifestAndDownload) {
    EXPECT_EQ(UpdManifestRequestPath(1700000000), "/update/v1?t=1700000000");
    struct Case {
        const char* key;
        const char* path;
    } cases[] = {
        {"player/Jaskel Setup.exe", "/dl/player/Jaskel%20Setup.exe"},
        {"player/a-b_c.d.exe", "/dl/player/a-b_c.d.exe"},
        {"player/100%.exe", "/dl/player/100%25.exe"},
        {"player/a?b#c&d+e.exe", "/dl/player/a%3Fb%23c%26d%2Be.exe"},
        {"player/\xc3\xa9.exe", "/dl/player/%C3%A9.exe"},
        {"player/\x01\x7f.exe", "/dl/player/%01%7F.exe"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UpdDownloadRequestPath(c.key), c.path) << c.key;
}

TEST(UpdFinalLocation, HostChecks) {
    struct Case {
        bool https;
        const char* host;
        bool allowed;
    } cases[] = {
        {true, "jaskel.net", true},      {true, "www.jaskel.net", true},
        {false, "jaskel.net", false},    {true, "evil.test", false},
        {true, "JASKEL.NET", false},     {true, "jaskel.net.evil.test", false},
        {true, "xjaskel.net", false},    {true, "www.www.jaskel.net", false},
        {true, "cdn.jaskel.net", false}, {true, "", false},
        {true, "jaskel.net.", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UpdFinalHostAllowed(c.https, c.host, "jaskel.net"), c.allowed) << c.https << " " << c.host;
    EXPECT_FALSE(UpdFinalHostAllowed(true, "", ""));
}

TEST(UpdFinalLocation, WholeUrls) {
    struct Case {
        const char* url;
        bool allowed;
    } cases[] = {
        {"https://jaskel.net/update/v1?t=1", true},
        {"https://www.jaskel.net/dl/player/Setup.exe", true},
        {"HTTPS://jaskel.net/", true},
        {"https://jaskel.net", true},
        {"https://jaskel.net:443/x", true},
        {"https://jaskel.net?x", true},
        {"http://jaskel.net/update/v1", false},
        {"https://evil.test/update/v1", false},
        {"https://jaskel.net.evil.test/", false},
        {"https://jaskel.net@evil.test/", false},
        {"https://evil.test@jaskel.net/", false},
        {"https://jaskel.net\\@evil.test/", false},
        {"https://jaskel.net:/", false},
        {"https://jaskel.net:44x3/", false},
        {"https://[::1]/", false},
        {"https:/jaskel.net/", false},
        {"jaskel.net/update", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UpdFinalUrlAllowed(c.url, "jaskel.net"), c.allowed) << c.url;
}

TEST(UpdContentLength, ParsedStrictly) {
    struct Case {
        std::optional<std::string> header;
        bool acceptable;
    } cases[] = {
        {std::nullopt, true}, {"1234", true},
        {"01234", true},      {"1235", false},
        {"", false},          {"12 34", false},
        {" 1234", false},     {"-1234", false},
        {"1234x", false},     {"99999999999999999999", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UpdContentLengthAcceptable(c.header, 1234), c.acceptable) << c.header.value_or("<none>");
    EXPECT_EQ(ParseUpdContentLength("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(ParseUpdContentLength("9223372036854775808"), std::nullopt);
    EXPECT_EQ(ParseUpdContentLength("2147483649"), 2147483649LL);
}

TEST(UpdDownloadTally, SizeAndHashAtTheEnd) {
    const std::string sha(64, 'd');
    UpdDownloadTally exact(2147483648LL);
    EXPECT_TRUE(exact.Add(2147483647LL));
    EXPECT_EQ(std::string(exact.EndWord(sha, sha)), "dl-short");
    EXPECT_TRUE(exact.Add(1));
    EXPECT_EQ(exact.Total(), 2147483648LL);
    EXPECT_EQ(exact.EndWord(sha, sha), nullptr);
    EXPECT_EQ(std::string(exact.EndWord(std::string(64, 'e'), sha)), "dl-sha");
    EXPECT_EQ(std::string(exact.EndWord("", sha)), "dl-sha") << "a failed hasher never matches";
    EXPECT_FALSE(exact.Add(1)) << "one byte too many";

    UpdDownloadTally small(10);
    EXPECT_TRUE(small.Add(4));
    EXPECT_FALSE(small.Add(7));
}

TEST(UpdProgressPacer, FirstAtOnceThenEvery151Ms) {
    UpdProgressPacer pacer;
    const std::pair<std::uint64_t, bool> steps[] = {{5000, true}, {5001, false}, {5150, false},
                                                    {5151, true}, {5200, false}, {5400, true}};
    for (const auto& [ms, due] : steps)
        EXPECT_EQ(pacer.Due(ms), due) << ms;
    UpdProgressPacer early;
    EXPECT_TRUE(early.Due(0)) << "the first block reports even at tick 0";
}

// Feeds a download's running total once a second and returns the second it was abandoned, or -1.
int SecondAbandoned(const std::function<std::int64_t(int)>& totalAt, int seconds) {
    const std::uint64_t start = 1000000;
    UpdRateFloor floor(start);
    for (int s = 1; s <= seconds; ++s) {
        if (floor.Stalled(start + s * 1000ull, totalAt(s)))
            return s;
    }
    return -1;
}

TEST(UpdRateFloor, AbandonsStallsAndDripsAfterOneReceiveTimeOut) {
    // Fast and steady: never.
    EXPECT_EQ(SecondAbandoned([](int s) { return s * 100000LL; }, 600), -1);
    // Just above the floor of 1 KiB/s: never.
    EXPECT_EQ(SecondAbandoned([](int s) { return s * 1100LL; }, 600), -1);
    // A byte every ten seconds: after the first 75 s.
    const int drip = SecondAbandoned([](int s) { return s / 10LL; }, 600);
    EXPECT_GE(drip, 75);
    EXPECT_LE(drip, 77);
    // Fast for 60 s, then nothing: 75 s after the bytes stopped.
    const int stall = SecondAbandoned([](int s) { return std::min(s, 60) * 100000LL; }, 600);
    EXPECT_GE(stall, 135);
    EXPECT_LE(stall, 137);
    // Fast for 60 s, then a trickle below the floor.
    const int trickle =
        SecondAbandoned([](int s) { return std::min(s, 60) * 100000LL + std::max(0, s - 60) * 500LL; }, 600);
    EXPECT_GE(trickle, 135);
    EXPECT_LE(trickle, 137);
}

TEST(UpdRateFloor, LongQuietGapBetweenCalls) {
    UpdRateFloor floor(0);
    EXPECT_FALSE(floor.Stalled(2000, 200000)) << "200 kB in the first two seconds";
    EXPECT_FALSE(floor.Stalled(74000, 200000));
    EXPECT_FALSE(floor.Stalled(76000, 200000)) << "the bytes may have come after 1 s";
    EXPECT_TRUE(floor.Stalled(78000, 200000)) << "nothing between 2 s and 78 s";
    UpdRateFloor clockBack(5000);
    EXPECT_FALSE(clockBack.Stalled(4000, 0)) << "a clock that seems to go back counts as no time";
}

TEST(UpdLogLine, Format) {
    EXPECT_EQ(FormatUpdLogLine(1700000000, "player", "up-to-date"), "1700000000\tplayer\tup-to-date\r\n");
    EXPECT_EQ(FormatUpdLogLine(1700000000, "player", "run-failed", "1223"),
              "1700000000\tplayer\trun-failed\t1223\r\n");
    EXPECT_EQ(FormatUpdLogLine(5, "player", "updated", "0.6.8->0.6.9"),
              "5\tplayer\tupdated\t0.6.8->0.6.9\r\n");
}

TEST(UpdLowerHex, Digest) {
    const std::uint8_t bytes[] = {0x00, 0x0f, 0xa0, 0xff};
    EXPECT_EQ(UpdLowerHex(bytes), "000fa0ff");
}

} // namespace
