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
    // All Size() bytes when they lie in memory for as long as the source lives (a buffer, a
    // mapped file), so that a reader can parse them in place; null otherwise.
    virtual const std::uint8_t* InMemory() { return nullptr; }
};

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override;
    std::uint64_t Size() override { return bytes_.size(); }
    const std::uint8_t* InMemory() override { return bytes_.empty() ? nullptr : bytes_.data(); }

  private:
    std::vector<std::uint8_t> bytes_;
};
