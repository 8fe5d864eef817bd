#include "update/manifest_sign.h"

#include <algorithm>
#include <stdexcept>

#include <sodium.h>

#include "update/base64.h"

namespace {

// The 64-byte key pair libsodium signs with, from the seed.
struct KeyPair {
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];

    explicit KeyPair(const UpdSecretSeed& seed) {
        if (sodium_init() < 0)
            throw std::runtime_error("libsodium could not start");
        crypto_sign_seed_keypair(publicKey, secretKey, seed.data());
    }
    ~KeyPair() { sodium_memzero(secretKey, sizeof secretKey); }
    KeyPair(const KeyPair&) = delete;
    KeyPair& operator=(const KeyPair&) = delete;
};

} // namespace

bool ParseUpdSecretKeyFile(std::string_view text, UpdSecretSeed& out) {
    if (text.ends_with('\n'))
        text.remove_suffix(1);
    if (text.ends_with('\r'))
        text.remove_suffix(1);
    auto bytes = DecodeStrictBase64(text);
    if (!bytes || (bytes->size() != 32 && bytes->size() != 64))
        return false;
    std::copy_n(bytes->begin(), 32, out.begin());
    bool ok = true;
    if (bytes->size() == 64) {
        const UpdPublicKey derived = UpdPublicKeyOf(out);
        ok = std::equal(derived.begin(), derived.end(), bytes->begin() + 32);
    }
    sodium_memzero(bytes->data(), bytes->size());
    return ok;
}

UpdPublicKey UpdPublicKeyOf(const UpdSecretSeed& seed) {
    const KeyPair pair(seed);
    UpdPublicKey key;
    std::copy(std::begin(pair.publicKey), std::end(pair.publicKey), key.begin());
    return key;
}

std::array<std::uint8_t, 64> SignEd25519(const UpdSecretSeed& seed, std::string_view message) {
    const KeyPair pair(seed);
    std::array<std::uint8_t, 64> signature{};
    crypto_sign_detached(signature.data(), nullptr, reinterpret_cast<const unsigned char*>(message.data()),
                         message.size(), pair.secretKey);
    return signature;
}

std::string SignUpdManifest(const UpdSecretSeed& seed, std::string_view body) {
    const auto signature = SignEd25519(seed, body);
    std::string text(kUpdManifestMagic);
    text += EncodeBase64(signature);
    text += '\n';
    text += body;
    return text;
}
