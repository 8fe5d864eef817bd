#pragma once
// The signed update manifest: "JKUPD1 " + base64 Ed25519 signature + LF + JSON body. Nothing in it
// is trusted before the signature over the body holds, and every field of the entry is still
// checked afterwards, because the entry decides what is downloaded and run.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t kUpdManifestMaxBytes = 65536;
inline constexpr std::string_view kUpdManifestMagic = "JKUPD1 ";
inline constexpr std::int64_t kUpdMaxInstallerSize = 2147483648; // 2 GiB, inclusive
inline constexpr std::size_t kUpdMaxInstallerNameBytes = 81;

using UpdPublicKey = std::array<std::uint8_t, 32>;

// The entry for one app. All texts are bytes as they stood in the body (after JSON unescaping).
struct UpdManifestEntry {
    std::string latest;
    std::string minSupported;
    std::string key;    // "<app>/<file name>"
    std::string sha256; // 64 lower-case hex digits
    std::int64_t size = 0;
};

enum class UpdManifestResult : int {
    Ok = 0,
    BadFormat = 1,      // size, magic, line end or signature encoding
    BadManifestSig = 2, // Ed25519 does not verify
    BadJson = 3,        // body not JSON of the required shape, or "v" missing or not 1
    NoApp = 4,          // no entry for the app name
    BadEntry = 5,       // the entry fails a field rule
};

// "ok", "bad-format", "bad-manifest-sig", "bad-json", "no-app", "bad-entry"; "?" for any other value.
const char* UpdResultName(int result);
inline const char* UpdResultName(UpdManifestResult result) {
    return UpdResultName(static_cast<int>(result));
}

// Parses and checks the received bytes for appName ("player"; names ending in "-mac" use the
// macOS rules). Fills out only on Ok; after any other result out is reset (empty texts, size 0).
UpdManifestResult ParseUpdManifest(std::string_view text, const UpdPublicKey& publicKey,
                                   std::string_view appName, UpdManifestEntry& out);

// Steps after the signature: the body's JSON, the app's entry and its field rules. Only for a body
// whose signature already holds, and for tests and fuzzing; out as for ParseUpdManifest.
UpdManifestResult ParseUpdManifestBody(std::string_view body, std::string_view appName,
                                       UpdManifestEntry& out);

// The entry's field rules alone (step 7 of the parse), for an entry already taken from a verified
// body. Exposed for tests and the tool.
bool UpdEntryIsValid(const UpdManifestEntry& entry, std::string_view appName);

// True when appName ends in "-mac".
bool IsMacApp(std::string_view appName);

// 32 key bytes from base64 text (strict decoding), or false. The Windows layer may use
// CryptStringToBinaryA instead; both must end in exactly 32 bytes.
bool DecodeUpdPublicKey(std::string_view base64, UpdPublicKey& out);
