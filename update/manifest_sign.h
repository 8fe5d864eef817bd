#pragma once
// Signing manifests, for the publisher's tool and for tests; the player never links this.
// Secret key file: one line of standard base64, either the 32-byte Ed25519 secret key of RFC 8032
// (the seed) or libsodium's 64-byte form (seed followed by the public key, which must match);
// a final LF or CR LF is allowed.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "update/manifest.h"

using UpdSecretSeed = std::array<std::uint8_t, 32>;

bool ParseUpdSecretKeyFile(std::string_view text, UpdSecretSeed& out);
UpdPublicKey UpdPublicKeyOf(const UpdSecretSeed& seed);
std::array<std::uint8_t, 64> SignEd25519(const UpdSecretSeed& seed, std::string_view message);

// "JKUPD1 " + base64 signature of body + LF + body.
std::string SignUpdManifest(const UpdSecretSeed& seed, std::string_view body);
