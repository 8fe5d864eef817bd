#include <gtest/gtest.h>

#include <vector>

#include "tests/unit/update/update_test_support.h"
#include "update/base64.h"
#include "update/ed25519.h"

namespace {

std::vector<std::uint8_t> Hex(std::string_view hex) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// RFC 8032, section 7.1: TEST 1, 2, 3 and SHA(abc).
struct Vector {
    const char* name;
    const char* secretKey;
    const char* publicKey;
    const char* message;
    const char* signature;
};

constexpr Vector kRfcVectors[] = {
    {"TEST 1", "9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60",
     "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
     "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f"
     "0595bbe"
     "24655141438e7a100b"},
    {"TEST 2", "4ccd089b28ff96da9db6c346ec114e0f5b8a319f35aba624da8cf6ed4fb8a6fb",
     "3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
     "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2ea"
     "eb4302a"
     "eeb00d291612bb0c00"},
    {"TEST 3", "c5aa8df43f9f837bedb7442f31dcb7b166d38535076f094b85ce3a2e0b4458f7",
     "fc51cd8e6218a1a38da47ed00230f0580816ed13ba3303ac5deb911548908025", "af82",
     "6291d657deec24024827e69c3abe01a30ce548a284743a445e3680d7db5ac3ac18ff9b538d16f290ae67f760984dc6594a7c15e"
     "9716ed2"
     "8dc027beceea1ec40a"},
    {"TEST SHA(abc)", "833fe62409237b9d62ec77587520911e9a759cec1d19755b7da901b96dca3d42",
     "ec172b93ad5e563bf4932c70e1245034c35467ef2efd4d64ebf819683467e2bf",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d442"
     "3643ce80e"
     "2a9ac94fa54ca49f",
     "dc2a4459e7369633a52b1bf277839a00201009a3efbf3ecb69bea2186c26b58909351fc9ac90b3ecfdfbc7c66431e0303dca179"
     "c138ac17a"
     "d9bef1177331a704"},
};

// S + L, little-endian, in place: the same point equation holds, but S is no longer reduced.
void AddGroupOrder(std::uint8_t* s) {
    constexpr std::uint8_t kL[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                                     0xa2, 0xde, 0xf9, 0xde, 0x14, 0,    0,    0,    0,    0,    0,
                                     0,    0,    0,    0,    0,    0,    0,    0,    0,    0x10};
    unsigned carry = 0;
    for (int i = 0; i < 32; ++i) {
        const unsigned sum = s[i] + kL[i] + carry;
        s[i] = static_cast<std::uint8_t>(sum);
        carry = sum >> 8;
    }
}

TEST(Ed25519, RfcVectorsVerifyAndSignAlike) {
    for (const auto& v : kRfcVectors) {
        const auto pk = Hex(v.publicKey);
        const auto sig = Hex(v.signature);
        const std::string message = Text(Hex(v.message));
        ASSERT_EQ(pk.size(), 32u) << v.name;
        ASSERT_EQ(sig.size(), 64u) << v.name;
        EXPECT_TRUE(VerifyEd25519(std::span<const std::uint8_t, 64>(sig.data(), 64),
                                  std::span<const std::uint8_t, 32>(pk.data(), 32), message))
            << v.name;
        // Our signing side reproduces the RFC's key and signature from its secret key.
        UpdSecretSeed seed{};
        const auto sk = Hex(v.secretKey);
        std::copy(sk.begin(), sk.end(), seed.begin());
        const auto derived = UpdPublicKeyOf(seed);
        EXPECT_TRUE(std::equal(derived.begin(), derived.end(), pk.begin())) << v.name;
        const auto signedHere = SignEd25519(seed, message);
        EXPECT_TRUE(std::equal(signedHere.begin(), signedHere.end(), sig.begin())) << v.name;
    }
}

TEST(Ed25519, AnyChangeFailsVerification) {
    const auto& v = kRfcVectors[2];
    const auto pk = Hex(v.publicKey);
    const std::string message = Text(Hex(v.message));
    const auto good = Hex(v.signature);
    for (std::size_t i = 0; i < 64; ++i) {
        auto sig = good;
        sig[i] ^= 0x20;
        EXPECT_FALSE(VerifyEd25519(std::span<const std::uint8_t, 64>(sig.data(), 64),
                                   std::span<const std::uint8_t, 32>(pk.data(), 32), message))
            << "signature byte " << i;
    }
    EXPECT_FALSE(VerifyEd25519(std::span<const std::uint8_t, 64>(good.data(), 64),
                               std::span<const std::uint8_t, 32>(pk.data(), 32), message + "x"));
    auto otherKey = Hex(kRfcVectors[1].publicKey);
    EXPECT_FALSE(VerifyEd25519(std::span<const std::uint8_t, 64>(good.data(), 64),
                               std::span<const std::uint8_t, 32>(otherKey.data(), 32), message));
}

TEST(Ed25519, ScalarAtOrAboveTheGroupOrderIsRefused) {
    for (const auto& v : kRfcVectors) {
        const auto pk = Hex(v.publicKey);
        auto sig = Hex(v.signature);
        AddGroupOrder(sig.data() + 32);
        EXPECT_FALSE(Ed25519ScalarIsCanonical(std::span<const std::uint8_t, 32>(sig.data() + 32, 32)))
            << v.name;
        EXPECT_FALSE(VerifyEd25519(std::span<const std::uint8_t, 64>(sig.data(), 64),
                                   std::span<const std::uint8_t, 32>(pk.data(), 32), Text(Hex(v.message))))
            << v.name;
    }
}

TEST(Ed25519, ScalarBoundary) {
    // L itself, L - 1, L + 1, and 2^256 - 1, little-endian.
    std::array<std::uint8_t, 32> l = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                                      0xa2, 0xde, 0xf9, 0xde, 0x14, 0,    0,    0,    0,    0,    0,
                                      0,    0,    0,    0,    0,    0,    0,    0,    0,    0x10};
    auto below = l;
    below[0] = 0xec;
    auto above = l;
    above[0] = 0xee;
    std::array<std::uint8_t, 32> ones;
    ones.fill(0xff);
    std::array<std::uint8_t, 32> zero{};
    auto highBitOnly = zero;
    highBitOnly[31] = 0x10; // 2^252 < L
    EXPECT_FALSE(Ed25519ScalarIsCanonical(l));
    EXPECT_TRUE(Ed25519ScalarIsCanonical(below));
    EXPECT_FALSE(Ed25519ScalarIsCanonical(above));
    EXPECT_FALSE(Ed25519ScalarIsCanonical(ones));
    EXPECT_TRUE(Ed25519ScalarIsCanonical(zero));
    EXPECT_TRUE(Ed25519ScalarIsCanonical(highBitOnly));
}

TEST(Ed25519, ManifestWithAnUnreducedScalarIsBadSignature) {
    const std::string good = upd_test::Signed(upd_test::EntryJson().Body());
    const std::size_t lf = good.find('\n');
    auto sig = *DecodeStrictBase64(good.substr(7, lf - 7));
    AddGroupOrder(sig.data() + 32);
    const std::string forged = "JKUPD1 " + EncodeBase64(sig) + good.substr(lf);
    UpdManifestEntry out;
    EXPECT_EQ(ParseUpdManifest(forged, upd_test::TestKey(), "player", out),
              UpdManifestResult::BadManifestSig);
}

} // namespace
