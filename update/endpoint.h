#pragma once
// Where updates come from and who signs them: compile-time constants. The player carries the
// release values; test programs link jk_update_endpoint_test instead of jk_update_endpoint to talk
// to a local test server ("jkupd.test", mapped to 127.0.0.1 by the test's hosts file) and to
// accept manifests signed with the test key (secret key file tools/jkupd-test-secret-key.txt).
#include <string_view>

struct UpdEndpoint {
    std::string_view host;            // the final host must be this or "www." + this
    std::string_view publicKeyBase64; // 32 bytes of Ed25519 public key, standard base64
};

inline constexpr UpdEndpoint kReleaseUpdEndpoint{"jaskel.net",
                                                 "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8="};
inline constexpr UpdEndpoint kTestUpdEndpoint{"jkupd.test", "/lWzoR6wUj2S6cqn6TiGaoFe22I+avNFmZedLeKhkXU="};

// The endpoint this program was linked with: kReleaseUpdEndpoint from jk_update_endpoint,
// kTestUpdEndpoint from jk_update_endpoint_test (built from the same source with
// JK_UPD_TEST_ENDPOINT defined). Link exactly one of the two.
const UpdEndpoint& CompiledUpdEndpoint();
