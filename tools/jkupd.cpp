// jkupd: checks and makes update manifests with the player's own parser and signature code.
//   jkupd verify MANIFEST --app NAME [--pubkey BASE64]
//       First line: the result word (ok, bad-format, bad-manifest-sig, bad-json, no-app,
//       bad-entry); after ok one "name: value" line per entry field. Without --pubkey the key
//       compiled into the player is used.
//   jkupd sign --secret-key FILE BODY [--out MANIFEST]
//       Signs the bytes of the file BODY exactly as they are and writes the manifest (standard
//       output unless --out is given).
//   jkupd pubkey --secret-key FILE      prints the public key in base64
//   jkupd keygen SECRET_FILE            writes a new secret key file (never overwrites one) and
//                                       prints its public key
// The secret key file holds one line of standard base64: the 32-byte Ed25519 secret key (seed),
// or libsodium's 64-byte form (seed and public key).
// Exit codes: 0 ok or done; 1 the manifest is not ok; 2 a file or key could not be used; 64 usage.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <sodium.h>

#include "update/base64.h"
#include "update/endpoint.h"
#include "update/manifest.h"
#include "update/manifest_sign.h"

namespace {

enum ExitCode { kOk = 0, kNotOk = 1, kUnusable = 2, kUsage = 64 };

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.c_str())));
}

// At most limit bytes of the file, or nullopt when it cannot be read.
std::optional<std::string> ReadFile(const std::string& path, std::size_t limit) {
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes(limit, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(limit));
    if (in.bad())
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

bool WriteAll(std::FILE* out, std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && std::fflush(out) == 0;
}

// Options of the form "--name value" after the command; the rest are positional.
struct Args {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    bool ok = true;

    std::optional<std::string> Option(const char* name) const {
        for (const auto& [n, v] : options) {
            if (n == name)
                return v;
        }
        return std::nullopt;
    }
};

Args SplitArgs(int argc, char** argv) {
    Args args;
    for (int i = 2; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) != 0) {
            args.positional.emplace_back(argv[i]);
        } else if (i + 1 < argc) {
            args.options.emplace_back(argv[i], argv[i + 1]);
            ++i;
        } else {
            args.ok = false;
        }
    }
    return args;
}

std::optional<UpdSecretSeed> ReadSecretKey(const std::string& path) {
    const auto text = ReadFile(path, 1024);
    UpdSecretSeed seed{};
    if (!text || !ParseUpdSecretKeyFile(*text, seed)) {
        std::fprintf(stderr, "jkupd: %s is not a secret key file (one line of base64, 32 or 64 bytes)\n",
                     path.c_str());
        return std::nullopt;
    }
    return seed;
}

void PrintEntry(const UpdManifestEntry& e) {
    std::printf("latest: %s\nmin_supported: %s\nkey: %s\nsha256: %s\nsize: %" PRId64 "\n", e.latest.c_str(),
                e.minSupported.c_str(), e.key.c_str(), e.sha256.c_str(), e.size);
}

int Verify(const Args& args) {
    const auto app = args.Option("--app");
    if (args.positional.size() != 1 || !app)
        return kUsage;
    const std::string keyText(
        args.Option("--pubkey").value_or(std::string(CompiledUpdEndpoint().publicKeyBase64)));
    UpdPublicKey key{};
    if (!DecodeUpdPublicKey(keyText, key)) {
        std::printf("bad-pubkey\n");
        return kUnusable;
    }
    // One byte past the limit is enough to be refused for size.
    const auto text = ReadFile(args.positional[0], kUpdManifestMaxBytes + 1);
    if (!text) {
        std::fprintf(stderr, "jkupd: cannot read %s\n", args.positional[0].c_str());
        return kUnusable;
    }
    UpdManifestEntry entry;
    const auto result = ParseUpdManifest(*text, key, *app, entry);
    std::printf("%s\n", UpdResultName(result));
    if (result != UpdManifestResult::Ok)
        return kNotOk;
    PrintEntry(entry);
    return kOk;
}

int Sign(const Args& args) {
    const auto keyPath = args.Option("--secret-key");
    if (args.positional.size() != 1 || !keyPath)
        return kUsage;
    const auto seed = ReadSecretKey(*keyPath);
    // Bodies larger than a manifest may be are still signed, so that tests can offer oversized ones.
    const auto body = ReadFile(args.positional[0], std::size_t(64) << 20);
    if (!seed || !body) {
        if (seed)
            std::fprintf(stderr, "jkupd: cannot read %s\n", args.positional[0].c_str());
        return kUnusable;
    }
    const std::string manifest = SignUpdManifest(*seed, *body);
    if (manifest.size() > kUpdManifestMaxBytes)
        std::fprintf(stderr, "jkupd: warning: %zu bytes, above the %zu the player accepts\n", manifest.size(),
                     kUpdManifestMaxBytes);
    if (const auto out = args.Option("--out")) {
        std::ofstream file(PathOf(*out), std::ios::binary | std::ios::trunc);
        if (!file || !file.write(manifest.data(), static_cast<std::streamsize>(manifest.size())) ||
            !file.flush()) {
            std::fprintf(stderr, "jkupd: cannot write %s\n", out->c_str());
            return kUnusable;
        }
        return kOk;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY); // the signature covers the bytes: no CR may be added
#endif
    return WriteAll(stdout, manifest) ? kOk : kUnusable;
}

int PublicKey(const Args& args) {
    const auto keyPath = args.Option("--secret-key");
    if (!args.positional.empty() || !keyPath)
        return kUsage;
    const auto seed = ReadSecretKey(*keyPath);
    if (!seed)
        return kUnusable;
    std::printf("%s\n", EncodeBase64(UpdPublicKeyOf(*seed)).c_str());
    return kOk;
}

int KeyGen(const Args& args) {
    if (args.positional.size() != 1 || !args.options.empty())
        return kUsage;
    const std::string& path = args.positional[0];
    if (std::filesystem::exists(PathOf(path))) {
        std::fprintf(stderr, "jkupd: %s exists; a secret key is never overwritten\n", path.c_str());
        return kUnusable;
    }
    if (sodium_init() < 0)
        return kUnusable;
    UpdSecretSeed seed{};
    randombytes_buf(seed.data(), seed.size());
    const std::string line = EncodeBase64(seed) + "\n";
    const UpdPublicKey publicKey = UpdPublicKeyOf(seed);
    sodium_memzero(seed.data(), seed.size());
    std::ofstream file(PathOf(path), std::ios::binary);
    if (!file || !file.write(line.data(), static_cast<std::streamsize>(line.size())) || !file.flush()) {
        std::fprintf(stderr, "jkupd: cannot write %s\n", path.c_str());
        return kUnusable;
    }
    std::printf("%s\n", EncodeBase64(publicKey).c_str());
    return kOk;
}

int Run(int argc, char** argv) {
    if (argc < 2)
        return kUsage;
    const Args args = SplitArgs(argc, argv);
    if (!args.ok)
        return kUsage;
    const std::string command = argv[1];
    if (command == "verify")
        return Verify(args);
    if (command == "sign")
        return Sign(args);
    if (command == "pubkey")
        return PublicKey(args);
    if (command == "keygen")
        return KeyGen(args);
    return kUsage;
}

} // namespace

int main(int argc, char** argv) {
    const int code = Run(argc, argv);
    if (code == kUsage)
        std::fprintf(stderr, "usage: jkupd verify MANIFEST --app NAME [--pubkey BASE64]\n"
                             "       jkupd sign --secret-key FILE BODY [--out MANIFEST]\n"
                             "       jkupd pubkey --secret-key FILE\n"
                             "       jkupd keygen SECRET_FILE\n");
    return code;
}
