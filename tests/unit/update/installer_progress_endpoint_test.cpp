#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/unit/update/update_test_support.h"
#include "update/base64.h"
#include "update/endpoint.h"
#include "update/installer_rules.h"
#include "update/progress_text.h"

namespace {

TEST(UpdScratchDirs, NamesAndAge) {
    const std::uint8_t random[6] = {0x00, 0x1a, 0xff, 0x80, 0x09, 0xc3};
    EXPECT_EQ(UpdScratchDirName(random), u"jkpc-upd-001aff8009c3");
    struct Case {
        std::u16string_view name;
        bool ours;
    } names[] = {
        {u"jkpc-upd-001aff8009c3", true},
        {u"jkpc-upd-001AFF8009C3", false},
        {u"jkpc-upd-001aff8009c", false},
        {u"jkpc-upd-001aff8009c3x", false},
        {u"jkpc-upd-last.txt", false},
        {u"JKPC-UPD-001aff8009c3", false},
        {u"jkpc-upd-", false},
    };
    for (const auto& c : names)
        EXPECT_EQ(IsUpdScratchDirName(c.name), c.ours);
    constexpr std::int64_t now = 1700000000;
    EXPECT_TRUE(UpdScratchDirIsStale(now, now - 3 * 86400)) << "3 days";
    EXPECT_FALSE(UpdScratchDirIsStale(now, now - 23 * 3600)) << "23 hours";
    EXPECT_FALSE(UpdScratchDirIsStale(now, now - 86399));
    EXPECT_TRUE(UpdScratchDirIsStale(now, now - 86400));
    EXPECT_FALSE(UpdScratchDirIsStale(now, now + 100)) << "written in the future";
}

TEST(UpdInstallerMatch, SizeAndHash) {
    const UpdManifestEntry entry{"0.6.9", "0.6.0", "player/Setup.exe", upd_test::kSha, 1234};
    EXPECT_TRUE(UpdInstallerMatches(upd_test::kSha, 1234, entry));
    EXPECT_FALSE(UpdInstallerMatches(upd_test::kSha, 1233, entry));
    EXPECT_FALSE(UpdInstallerMatches(std::string(64, '0'), 1234, entry));
    EXPECT_FALSE(UpdInstallerMatches("", 1234, entry));
    EXPECT_FALSE(UpdInstallerMatches("", 0, UpdManifestEntry{})) << "an empty hash never matches";
}

TEST(PublisherPin, ThumbprintOrAllFourNames) {
    const std::uint8_t pinned[20] = {0x0f, 0x0e, 0x0d, 0x0c, 0x0b, 0x0a, 0x09, 0x08, 0x07, 0x06,
                                     0x05, 0x04, 0x03, 0x02, 0x01, 0x00, 0xff, 0xee, 0xdd, 0xcc};
    const std::string thumb = UpdUpperHex(pinned);
    EXPECT_EQ(thumb, "0F0E0D0C0B0A09080706050403020100FFEEDDCC");
    const PublisherNameTests none;
    const PublisherNameTests all{true, true, true, true};
    EXPECT_TRUE(PublisherPinAccepts(thumb, none));
    EXPECT_FALSE(PublisherPinAccepts("0f0e0d0c0b0a09080706050403020100ffeeddcc", none))
        << "compared as written";
    EXPECT_TRUE(PublisherPinAccepts(std::string(40, 'A'), all)) << "renewed certificate";
    for (int missing = 0; missing < 4; ++missing) {
        PublisherNameTests names = all;
        bool* fields[] = {&names.subjectCommonName, &names.subjectOrganisation, &names.subjectRegistration,
                          &names.issuerCommonName};
        *fields[missing] = false;
        EXPECT_FALSE(PublisherPinAccepts(std::string(40, 'A'), names)) << missing;
    }
}

TEST(UpdProgress, NumbersForTheStatusLine) {
    struct Case {
        const char* name;
        std::uint64_t received, expected, elapsedMs;
        std::optional<int> bar;
        bool estimate;
        double receivedMb, expectedMb;
        int secondsLeft;
    } cases[] = {
        {"half after 2 s", 5120, 10240, 2000, 500, true, 5.0, 10.0, 3},
        {"first half second", 5120, 10240, 500, 500, false, 5.0, 10.0, 0},
        {"nothing yet", 0, 10240, 3000, 0, false, 0.0, 10.0, 0},
        {"size unknown", 2048, 0, 3000, std::nullopt, false, 2.0, 0.0, 0},
        {"done", 10240, 10240, 4000, 1000, true, 10.0, 10.0, 1},
        {"a trickle", 1, 2097152, 100000, 0, true, 1.0 / 1024, 2048.0, 209715101},
        {"2 GiB", 1048576, 2097152, 10000, 500, true, 1024.0, 2048.0, 11},
    };
    for (const auto& c : cases) {
        const auto v = ComputeUpdProgress(c.received, c.expected, c.elapsedMs);
        EXPECT_EQ(v.barPosition, c.bar) << c.name;
        EXPECT_EQ(v.withEstimate, c.estimate) << c.name;
        EXPECT_DOUBLE_EQ(v.receivedMb, c.receivedMb) << c.name;
        EXPECT_DOUBLE_EQ(v.expectedMb, c.expectedMb) << c.name;
        EXPECT_EQ(v.secondsLeft, c.secondsLeft) << c.name;
    }
    const auto slow = ComputeUpdProgress(1, 1ull << 40, 1000000000ull);
    EXPECT_GT(slow.secondsLeft, 0) << "a huge estimate stays a positive int";
}

// The player is linked with the release endpoint, and it carries exactly these texts.
TEST(UpdEndpoint, ReleaseValues) {
    EXPECT_EQ(&CompiledUpdEndpoint(), &kReleaseUpdEndpoint);
    EXPECT_EQ(kReleaseUpdEndpoint.host, "jaskel.net");
    EXPECT_EQ(kReleaseUpdEndpoint.publicKeyBase64, "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=");
    UpdPublicKey key{};
    ASSERT_TRUE(DecodeUpdPublicKey(kReleaseUpdEndpoint.publicKeyBase64, key));
    for (std::size_t i = 0; i < key.size(); ++i)
        EXPECT_EQ(key[i], i);
}

// The test key in the code is the public half of the secret key file the tests sign with.
TEST(UpdEndpoint, TestKeyMatchesItsSecretKeyFile) {
    std::ifstream file(JK_UPD_TEST_SECRET_KEY_FILE, std::ios::binary);
    ASSERT_TRUE(file) << JK_UPD_TEST_SECRET_KEY_FILE;
    std::stringstream text;
    text << file.rdbuf();
    UpdSecretSeed seed{};
    ASSERT_TRUE(ParseUpdSecretKeyFile(text.str(), seed));
    EXPECT_EQ(seed, upd_test::TestSeed());
    UpdPublicKey key{};
    ASSERT_TRUE(DecodeUpdPublicKey(kTestUpdEndpoint.publicKeyBase64, key));
    EXPECT_EQ(key, UpdPublicKeyOf(seed));
    EXPECT_NE(kTestUpdEndpoint.host, kReleaseUpdEndpoint.host);
}

TEST(UpdSecretKeyFile, Forms) {
    const auto seed = upd_test::TestSeed();
    const auto pk = UpdPublicKeyOf(seed);
    std::vector<std::uint8_t> full(seed.begin(), seed.end());
    full.insert(full.end(), pk.begin(), pk.end());
    auto wrongHalf = full;
    wrongHalf[40] ^= 1;
    const std::string seed64 = EncodeBase64(seed);
    struct Case {
        std::string text;
        bool ok;
    } cases[] = {
        {seed64, true},
        {seed64 + "\n", true},
        {seed64 + "\r\n", true},
        {EncodeBase64(full) + "\n", true},
        {EncodeBase64(wrongHalf) + "\n", false},
        {seed64 + "\n\n", false},
        {" " + seed64, false},
        {EncodeBase64(std::vector<std::uint8_t>(31)), false},
        {"", false},
    };
    for (const auto& c : cases) {
        UpdSecretSeed out{};
        EXPECT_EQ(ParseUpdSecretKeyFile(c.text, out), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(out, seed);
        }
    }
}

} // namespace
