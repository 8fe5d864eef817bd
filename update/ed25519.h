#pragma once
// Pure Ed25519 (RFC 8032, no context, SHA-512 inside) through libsodium, with our own check that the
// signature's scalar S is below the group order L, so a malleated signature never verifies
// whatever the library version does.
#include <cstdint>
#include <span>
#include <string_view>

// S is the second half of the signature, little-endian; true when S < L.
bool Ed25519ScalarIsCanonical(std::span<const std::uint8_t, 32> s);

bool VerifyEd25519(std::span<const std::uint8_t, 64> signature, std::span<const std::uint8_t, 32> publicKey,
                   std::string_view message);
