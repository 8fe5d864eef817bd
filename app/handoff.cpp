#include "app/handoff.h"

#include <cstring>

std::u16string BuildHandoffPayload(const std::vector<std::u16string>& files) {
    std::u16string joined;
    for (size_t i = 0; i < files.size(); ++i) {
        if (i > 0)
            joined.push_back(u'\n');
        joined += files[i];
    }
    joined.push_back(u'\0');
    return joined;
}

namespace {

// Copies units up to the first NUL or the end of the data; the sender's buffer may be unaligned.
std::u16string TakeUnitsUntilNul(const unsigned char* bytes, size_t unitCount) {
    std::u16string text;
    for (size_t i = 0; i < unitCount; ++i) {
        char16_t unit;
        std::memcpy(&unit, bytes + i * 2, sizeof unit);
        if (unit == u'\0')
            break;
        text.push_back(unit);
    }
    return text;
}

std::vector<std::u16string> SplitAtLineFeeds(const std::u16string& text) {
    std::vector<std::u16string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos)
            end = text.size();
        if (end > start)
            pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

} // namespace

std::optional<std::vector<std::u16string>> ParseHandoffPayload(const void* data, size_t byteCount) {
    if (data == nullptr || byteCount <= 1)
        return std::nullopt;
    const auto* bytes = static_cast<const unsigned char*>(data);
    return SplitAtLineFeeds(TakeUnitsUntilNul(bytes, byteCount / 2));
}
