// The hand-off payload comes from another process: any bytes must parse without reading past
// the given count, and every piece must be non-empty and free of separators.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/handoff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy lets AddressSanitizer catch any read past the count.
    std::vector<uint8_t> exact(data, data + size);
    const auto parsed = ParseHandoffPayload(exact.empty() ? nullptr : exact.data(), exact.size());
    if (size <= 1 && parsed)
        std::abort();
    if (!parsed)
        return 0;
    for (const auto& piece : *parsed) {
        if (piece.empty() || piece.find(u'\n') != std::u16string::npos || piece.find(u'\0') != std::u16string::npos)
            std::abort();
    }
    // What the sender builds from the pieces must read back as the same pieces.
    const std::u16string rebuilt = BuildHandoffPayload(*parsed);
    const auto again = ParseHandoffPayload(rebuilt.data(), rebuilt.size() * 2);
    if (!parsed->empty() && (!again || *again != *parsed))
        std::abort();
    return 0;
}
