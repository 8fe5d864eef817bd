// The redirect target as WinHTTP reports it comes from the server's Location header.
#include <cstddef>
#include <cstdint>
#include <string>

#include "update/redirect_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // First byte: where the text splits into the URL followed so far and the reported location.
    if (size < 1)
        return 0;
    std::u16string text;
    for (std::size_t i = 1; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const std::size_t split = text.empty() ? 0 : data[0] % (text.size() + 1);
    const std::u16string current = text.substr(0, split);
    const std::u16string location = text.substr(split);
    const std::u16string target = ResolveRedirectTarget(current, location);
    // A reported location never disappears from where the request goes next.
    if (target.size() < location.size() ||
        target.compare(target.size() - location.size(), location.size(), location) != 0)
        __builtin_trap();
    return 0;
}
