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
