// Playlist files come from anywhere: any bytes must read without a fault, and no accepted entry
// may be a URL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/utf.h"
#include "playlist/m3u.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first line names the playlist file's own path; the rest is its content.
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\n');
    const std::u16string playlistPath = Utf8ToUtf16(input.substr(0, split == std::string::npos ? 0 : split));
    const std::string content = split == std::string::npos ? input : input.substr(split + 1);
    for (const auto& entry : ReadM3uEntries(content, playlistPath)) {
        if (entry.find(u"://") != std::u16string::npos && playlistPath.find(u"://") == std::u16string::npos)
            std::abort();
    }
    PathHostKey(Utf8ToUtf16(input));
    return 0;
}
