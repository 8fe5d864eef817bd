#pragma once
// A ByteSource over a file opened with the standard library (the developer tools use it on
// Linux and Windows alike).
#include <filesystem>
#include <fstream>

#include "engine/webm/byte_source.h"

class FileSource final : public ByteSource {
  public:
    explicit FileSource(const std::filesystem::path& path) : stream_(path, std::ios::binary) {
        if (stream_) {
            stream_.seekg(0, std::ios::end);
            size_ = static_cast<std::uint64_t>(stream_.tellg());
        }
    }
    bool IsOpen() const { return static_cast<bool>(stream_); }
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        if (offset > size_ || n > size_ - offset)
            return false;
        stream_.clear();
        stream_.seekg(static_cast<std::streamoff>(offset));
        stream_.read(static_cast<char*>(out), static_cast<std::streamsize>(n));
        return static_cast<std::size_t>(stream_.gcount()) == n;
    }
    std::uint64_t Size() override { return size_; }

  private:
    std::ifstream stream_;
    std::uint64_t size_ = 0;
};
