#pragma once
// SHA-256 through CNG, and of a whole file.
#include <windows.h>
#include <bcrypt.h>

#include <cstdint>
#include <string>

// Remembers whether every step succeeded; a hasher that failed anywhere gives an empty text, which
// never equals a manifest hash.
class Sha256Hasher {
  public:
    Sha256Hasher();
    ~Sha256Hasher();
    Sha256Hasher(const Sha256Hasher&) = delete;
    Sha256Hasher& operator=(const Sha256Hasher&) = delete;

    void Update(const void* data, std::size_t size);
    // 64 lower-case hex digits, or "" after any failure. Call once.
    std::string FinishHex();

  private:
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    bool ok_ = false;
};

// Hashes a file opened for reading with read sharing only; false when it cannot be opened or
// hashed. length is 64-bit: installers may reach 2 GiB.
bool Sha256OfFile(const std::u16string& path, std::string& hex, std::int64_t& length);

// Hashes from the file's current position to its end, counting the bytes.
bool Sha256OfOpenFile(HANDLE file, std::string& hex, std::int64_t& length);
