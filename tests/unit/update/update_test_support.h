#pragma once
// Manifests signed with the test key, and a valid body to vary.
#include <string>
#include <string_view>

#include "update/manifest.h"
#include "update/manifest_sign.h"

namespace upd_test {

inline const std::string kSha = "3b7e4b8a0c1f2d3e4f5061728394a5b6c7d8e9f00112233445566778899aabbc";

// The 32-byte seed whose public key is the test endpoint's.
inline UpdSecretSeed TestSeed() {
    constexpr std::string_view text = "jaskel-update-test-key-0000-0001";
    UpdSecretSeed seed{};
    for (std::size_t i = 0; i < seed.size(); ++i)
        seed[i] = static_cast<std::uint8_t>(text[i]);
    return seed;
}

inline UpdPublicKey TestKey() {
    return UpdPublicKeyOf(TestSeed());
}

inline std::string Signed(std::string_view body) {
    return SignUpdManifest(TestSeed(), body);
}

// The raw JSON of each member of the "player" entry; a test changes one.
struct EntryJson {
    std::string latest = "\"0.6.9\"";
    std::string minSupported = "\"0.6.0\"";
    std::string key = "\"player/Setup.exe\"";
    std::string sha256 = "\"" + kSha + "\"";
    std::string size = "1234";
    std::string extra; // further members, each starting with ", "

    std::string Object() const {
        return "{\"latest\": " + latest + ", \"min_supported\": " + minSupported + ", \"key\": " + key +
               ", \"sha256\": " + sha256 + ", \"size\": " + size + extra + "}";
    }
    std::string Body() const { return "{\"v\": 1, \"apps\": {\"player\": " + Object() + "}}\n"; }
};

} // namespace upd_test
