#pragma once
// The single-instance hand-off payload: the file paths of a second start, joined by line feeds,
// sent as UTF-16 with a terminating NUL through WM_COPYDATA (dwData 1).
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

inline constexpr unsigned long kHandoffDataTag = 1;

// The units to send: the paths joined by U+000A, then one U+0000. cbData is size() * 2.
std::u16string BuildHandoffPayload(const std::vector<std::u16string>& files);

// Reads what a second start sent. nullopt when the message is to be ignored (no data or at most
// one byte); otherwise the non-empty pieces between line feeds, in order (possibly none). Reads
// only whole units inside byteCount, whatever the alignment of data.
std::optional<std::vector<std::u16string>> ParseHandoffPayload(const void* data, size_t byteCount);
