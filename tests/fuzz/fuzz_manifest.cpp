// The update manifest comes from the network: any bytes must parse without a fault into either an
// empty entry or one that keeps every field rule. The first byte picks what the rest is: a whole
// manifest (against the test key), a body for a Windows or a macOS app (the steps after the
// signature, which the fuzzer could never reach through it), or base64 and version texts.
// Seeds: signed manifests from jkupd with tools/jkupd-test-secret-key.txt, and bodies.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "update/base64.h"
#include "update/manifest.h"
#include "update/manifest_sign.h"
#include "update/upd_version.h"

namespace {

UpdSecretSeed TestSeed() {
    constexpr char kText[] = "jaskel-update-test-key-0000-0001";
    UpdSecretSeed seed{};
    for (std::size_t i = 0; i < seed.size(); ++i)
        seed[i] = static_cast<std::uint8_t>(kText[i]);
    return seed;
}

const UpdPublicKey& TestKey() {
    static const UpdPublicKey key = UpdPublicKeyOf(TestSeed());
    return key;
}

void Check(bool holds) {
    if (!holds)
        std::abort();
}

void CheckOutcome(UpdManifestResult result, const UpdManifestEntry& out, std::string_view app) {
    if (result == UpdManifestResult::Ok) {
        Check(UpdEntryIsValid(out, app));
        Check(out.size >= 1 && out.size <= kUpdMaxInstallerSize);
        return;
    }
    Check(out.latest.empty() && out.minSupported.empty() && out.key.empty() && out.sha256.empty() &&
          out.size == 0);
}

void Body(std::string_view body, std::string_view app, bool alsoSigned) {
    UpdManifestEntry out{"x", "x", "x", "x", 5};
    const auto result = ParseUpdManifestBody(body, app, out);
    CheckOutcome(result, out, app);
    // Signed, the same body must give the same answer through the whole parse.
    if (alsoSigned && body.size() <= kUpdManifestMaxBytes - 96) {
        UpdManifestEntry whole;
        Check(ParseUpdManifest(SignUpdManifest(TestSeed(), body), TestKey(), app, whole) == result);
        Check(whole.key == out.key && whole.size == out.size && whole.latest == out.latest);
    }
}

void Base64AndVersions(std::string_view text) {
    if (const auto bytes = DecodeStrictBase64(text)) {
        Check(bytes->size() <= text.size() / 4 * 3 && bytes->size() + 2 >= text.size() / 4 * 3);
        Check(DecodeStrictBase64(EncodeBase64(*bytes)) == bytes);
    }
    const std::size_t split = text.find('\n');
    const std::string_view a = text.substr(0, split);
    const std::string_view b = split == std::string_view::npos ? std::string_view() : text.substr(split + 1);
    for (const bool mac : {false, true}) {
        const int ab = CompareUpdVersions(a, b, mac);
        const int ba = CompareUpdVersions(b, a, mac);
        Check(ab == -2 ? ba == -2 : ab == -ba);
        UpdVersion v;
        Check(ParseUpdVersion(a, mac, v) == (CompareUpdVersions(a, a, mac) == 0));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool alsoSigned = (data[0] & 0x80) != 0 && rest.size() <= 4096;
    switch (data[0] & 3) {
    case 0: {
        UpdManifestEntry out{"x", "x", "x", "x", 5};
        CheckOutcome(ParseUpdManifest(rest, TestKey(), "player", out), out, "player");
        break;
    }
    case 1:
        Body(rest, "player", alsoSigned);
        break;
    case 2:
        Body(rest, "player-mac", alsoSigned);
        break;
    default:
        Base64AndVersions(rest);
        break;
    }
    return 0;
}
