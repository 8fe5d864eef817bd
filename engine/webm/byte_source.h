#pragma once
// Where the WebM scan and the repair read a file from: a seam, so that the same code reads real
// files on Windows and Linux and in-memory fixtures in the tests.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads exactly n bytes at the absolute offset; false on a short read or an error.
    virtual bool ReadAt(std::uint64_t offset, void* out, std::size_t n) = 0;
    virtual std::uint64_t Size() = 0;
};

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override;
    std::uint64_t Size() override { return bytes_.size(); }

  private:
    std::vector<std::uint8_t> bytes_;
};

// Small reads through a 64 KiB window: the scan reads a few bytes per element, and most of them
// fall inside the window of the one before.
class BufferedSource final : public ByteSource {
  public:
    explicit BufferedSource(ByteSource& inner) : inner_(inner) {}
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override;
    std::uint64_t Size() override;

  private:
    static constexpr std::size_t kWindow = 64 * 1024;
    ByteSource& inner_;
    std::vector<std::uint8_t> window_;
    std::uint64_t windowStart_ = 0;
    std::uint64_t size_ = 0;
    bool sizeKnown_ = false;
};
