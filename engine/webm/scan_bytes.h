#pragma once
// The bytes the WebM scan parses (internal to the scan): the whole source when it lies in memory,
// else large blocks read from it one after the other. Element and block headers are decoded in
// place, so a header costs no call of the source and each part of the file is read once.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/webm/byte_source.h"

// Up to kMaxPeek bytes at a position; count is smaller only where the source ends, and 0 past its
// end or where it cannot be read.
struct ScanPeek {
    const std::uint8_t* bytes = nullptr;
    std::size_t count = 0;
};

class ScanBytes {
  public:
    // An element's ID and size and, for a block, its track number, timecode and flags.
    static constexpr std::size_t kMaxPeek = 32;
    // Lines fetched ahead of a walk through memory: the walk jumps from header to header, and
    // without them each jump would wait for memory on its own.
    static constexpr std::uint64_t kPrefetchAhead = 8192;

    ScanBytes(ByteSource& source, std::size_t blockBytes)
        : source_(source), blockBytes_(std::max(blockBytes, kMaxPeek)), size_(source.Size()),
          inMemory_(source.InMemory()), data_(inMemory_), length_(inMemory_ != nullptr ? size_ : 0) {}

    std::uint64_t Size() const { return size_; }

    ScanPeek Peek(std::uint64_t pos) {
        if (pos >= start_ && pos - start_ < length_) {
            const auto offset = static_cast<std::size_t>(pos - start_);
            const std::size_t available = static_cast<std::size_t>(length_) - offset;
            if (available >= kMaxPeek)
                return {data_ + offset, kMaxPeek};
            if (start_ + length_ == size_)
                return {data_ + offset, available};
        }
        return Load(pos);
    }

    // The n bytes at pos (n at most kMaxPeek), or null when the source ends before their end or
    // cannot be read there.
    const std::uint8_t* At(std::uint64_t pos, std::size_t n) {
        const ScanPeek peek = Peek(pos);
        return n <= peek.count ? peek.bytes : nullptr;
    }

    // n bytes of any length at pos into out.
    bool Copy(std::uint64_t pos, void* out, std::size_t n) {
        if (inMemory_ == nullptr)
            return source_.ReadAt(pos, out, n);
        if (pos > size_ || n > size_ - pos)
            return false;
        if (n > 0)
            std::memcpy(out, inMemory_ + pos, n);
        return true;
    }

    // Called as a walk through memory reaches pos; what a walk skips is never fetched.
    void Ahead(std::uint64_t pos) {
        if (inMemory_ == nullptr || pos >= size_)
            return;
        const std::uint64_t until = std::min(size_, pos + kPrefetchAhead);
        for (prefetched_ = std::max(prefetched_, pos); prefetched_ < until; prefetched_ += 64)
            Prefetch(inMemory_ + prefetched_);
    }

  private:
    static void Prefetch(const std::uint8_t* at) {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(at);
#else
        (void)at;
#endif
    }

    ScanPeek Load(std::uint64_t pos) {
        if (inMemory_ != nullptr || pos >= size_)
            return {};
        block_.resize(blockBytes_);
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(blockBytes_, size_ - pos));
        data_ = block_.data();
        start_ = pos;
        length_ = 0;
        if (!source_.ReadAt(pos, block_.data(), length))
            return {};
        length_ = length;
        return {data_, std::min(length, kMaxPeek)};
    }

    ByteSource& source_;
    std::size_t blockBytes_;
    std::uint64_t size_;
    const std::uint8_t* inMemory_; // the whole source, when it lies in memory
    std::vector<std::uint8_t> block_;
    const std::uint8_t* data_; // the bytes at hand
    std::uint64_t start_ = 0;  // file offset of data_[0]
    std::uint64_t length_;     // bytes at data_
    std::uint64_t prefetched_ = 0;
};

struct Varint {
    std::uint64_t value = 0;
    std::uint32_t length = 0;
    bool unknown = false;
};

// Written out so that compilers make it one load and one byte swap.
inline std::uint64_t BigEndian64(const std::uint8_t* b) {
    return (std::uint64_t{b[0]} << 56) | (std::uint64_t{b[1]} << 48) | (std::uint64_t{b[2]} << 40) |
           (std::uint64_t{b[3]} << 32) | (std::uint64_t{b[4]} << 24) | (std::uint64_t{b[5]} << 16) |
           (std::uint64_t{b[6]} << 8) | std::uint64_t{b[7]};
}

// One EBML variable-length integer from the count bytes at hand. An ID keeps its length marker
// and is at most 4 bytes long; a size loses the marker and is unknown when all its value bits are
// set. False for a first byte 0, a longer ID, or bytes missing.
inline bool DecodeVarint(const std::uint8_t* bytes, std::size_t count, bool isId, Varint& out) {
    if (count == 0 || bytes[0] == 0 || (isId && bytes[0] < 0x10))
        return false;
    const auto length = static_cast<std::uint32_t>(std::countl_zero(bytes[0])) + 1;
    if (length > count)
        return false;
    std::uint64_t raw = 0;
    if (count >= 8) {
        raw = BigEndian64(bytes) >> (64 - 8 * length);
    } else {
        for (std::uint32_t i = 0; i < length; ++i)
            raw = (raw << 8) | bytes[i];
    }
    if (isId) {
        out = {raw, length, false};
        return true;
    }
    const std::uint64_t valueMask = ~std::uint64_t{0} >> (64 - 7 * length);
    out = {raw & valueMask, length, (raw & valueMask) == valueMask};
    return true;
}
