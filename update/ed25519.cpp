#include "update/ed25519.h"

#include <sodium.h>

namespace {

// The order of the Ed25519 base point, 2^252 + 27742317777372353535851937790883648493,
// little-endian.
constexpr std::uint8_t kGroupOrder[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                                          0xa2, 0xde, 0xf9, 0xde, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10};

} // namespace

bool Ed25519ScalarIsCanonical(std::span<const std::uint8_t, 32> s) {
    for (int i = 31; i >= 0; --i) {
        if (s[i] != kGroupOrder[i])
            return s[i] < kGroupOrder[i];
    }
    return false; // S == L
}

bool VerifyEd25519(std::span<const std::uint8_t, 64> signature, std::span<const std::uint8_t, 32> publicKey,
                   std::string_view message) {
    if (!Ed25519ScalarIsCanonical(signature.subspan<32, 32>()))
        return false;
    if (sodium_init() < 0)
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(message.data());
    return crypto_sign_verify_detached(signature.data(), bytes, message.size(), publicKey.data()) == 0;
}
