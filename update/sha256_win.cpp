#include "update/sha256_win.h"

#include <vector>

#include "base/wide_win.h"
#include "update/file_handle_win.h"
#include "update/transfer_rules.h"

namespace {

constexpr ULONG kDigestBytes = 32;

} // namespace

// mingw's bcrypt.h lacks BCRYPT_SHA256_ALG_HANDLE, so the provider is opened by name.
Sha256Hasher::Sha256Hasher() {
    ok_ = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
          BCRYPT_SUCCESS(BCryptCreateHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0));
}

Sha256Hasher::~Sha256Hasher() {
    if (hash_)
        BCryptDestroyHash(hash_);
    if (algorithm_)
        BCryptCloseAlgorithmProvider(algorithm_, 0);
}

void Sha256Hasher::Update(const void* data, std::size_t size) {
    if (!ok_ || size == 0)
        return;
    // Blocks are at most 64 KiB; the ULONG length never narrows a real call.
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    ok_ = BCRYPT_SUCCESS(BCryptHashData(hash_, bytes, static_cast<ULONG>(size), 0));
}

std::string Sha256Hasher::FinishHex() {
    std::uint8_t digest[kDigestBytes];
    if (!ok_ || !BCRYPT_SUCCESS(BCryptFinishHash(hash_, digest, kDigestBytes, 0))) {
        ok_ = false;
        return {};
    }
    ok_ = false; // a finished hash takes no more data
    return UpdLowerHex(digest);
}

bool Sha256OfOpenFile(HANDLE file, std::string& hex, std::int64_t& length) {
    Sha256Hasher hasher;
    std::vector<std::uint8_t> buffer(kUpdBlockBytes);
    length = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return false;
        if (got == 0)
            break;
        hasher.Update(buffer.data(), got);
        length += got;
    }
    hex = hasher.FinishHex();
    return !hex.empty();
}

bool Sha256OfFile(const std::u16string& path, std::string& hex, std::int64_t& length) {
    UpdHandle file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file && Sha256OfOpenFile(file.Get(), hex, length);
}
