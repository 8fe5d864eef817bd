#pragma once
// A ByteSource over a whole file mapped into memory, read-only, for as long as it lives: the WebM
// scan then parses the file in place instead of copying it block by block. The size is the
// file's size when it was mapped; a file that grows meanwhile keeps its mapped part. Windows keeps
// a mapped file from being cut short; on POSIX systems a file that another program truncates
// while it is mapped ends the reader (SIGBUS), which the developer tools accept.
#include <cstring>
#include <filesystem>
#include <memory>

#include "engine/webm/byte_source.h"
#include "engine/webm/file_source.h"

class MappedFileSource final : public ByteSource {
  public:
    explicit MappedFileSource(const std::filesystem::path& path);
    ~MappedFileSource() override;
    MappedFileSource(const MappedFileSource&) = delete;
    MappedFileSource& operator=(const MappedFileSource&) = delete;

    // False when the file could not be opened or mapped; an empty file is never mapped.
    bool IsMapped() const { return bytes_ != nullptr; }
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        if (offset > size_ || n > size_ - offset)
            return false;
        if (n > 0)
            std::memcpy(out, bytes_ + offset, n);
        return true;
    }
    std::uint64_t Size() override { return size_; }
    const std::uint8_t* InMemory() override { return bytes_; }

  private:
    const std::uint8_t* bytes_ = nullptr;
    std::uint64_t size_ = 0;
};

// The file mapped when it can be, else read through the standard library; null when it cannot
// be opened at all.
inline std::unique_ptr<ByteSource> OpenFileSource(const std::filesystem::path& path) {
    auto mapped = std::make_unique<MappedFileSource>(path);
    if (mapped->IsMapped())
        return mapped;
    auto stream = std::make_unique<FileSource>(path);
    if (!stream->IsOpen())
        return nullptr;
    return stream;
}
