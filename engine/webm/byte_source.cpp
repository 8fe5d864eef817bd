#include "engine/webm/byte_source.h"

#include <algorithm>
#include <cstring>

bool MemorySource::ReadAt(std::uint64_t offset, void* out, std::size_t n) {
    if (offset > bytes_.size() || n > bytes_.size() - offset)
        return false;
    if (n > 0)
        std::memcpy(out, bytes_.data() + offset, n);
    return true;
}

std::uint64_t BufferedSource::Size() {
    if (!sizeKnown_) {
        size_ = inner_.Size();
        sizeKnown_ = true;
    }
    return size_;
}

bool BufferedSource::ReadAt(std::uint64_t offset, void* out, std::size_t n) {
    if (n > kWindow)
        return inner_.ReadAt(offset, out, n);
    const bool inside = offset >= windowStart_ && offset - windowStart_ <= window_.size() &&
                        n <= window_.size() - (offset - windowStart_);
    if (!inside) {
        const std::uint64_t size = Size();
        if (offset >= size || n > size - offset)
            return false;
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, size - offset));
        window_.resize(length);
        if (!inner_.ReadAt(offset, window_.data(), length)) {
            window_.clear();
            return false;
        }
        windowStart_ = offset;
    }
    if (n > 0)
        std::memcpy(out, window_.data() + (offset - windowStart_), n);
    return true;
}
