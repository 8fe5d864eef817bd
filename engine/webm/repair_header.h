#pragma once
// The head of a repaired WebM stream: the file's EBML header, a Segment of unknown size, an Info
// with a Duration, the file's header elements and a Cues element. With a video track the cues
// point at the clusters' first video keyframes; without one, at every cluster. The file's bytes
// from the first cluster on follow the head unchanged, up to the stale indexes that close it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/webm/byte_source.h"
#include "engine/webm/webm_scan.h"

struct RepairHead {
    std::vector<std::uint8_t> bytes;
    std::uint64_t tailStart = 0; // the presented tail is the file's bytes [tailStart, tailEnd)
    std::uint64_t tailEnd = 0;
};

// Element sizes come from the file, so each one and the head as a whole (kMaxRepairHeadBytes)
// are capped.
inline constexpr std::uint64_t kMaxCopiedElementBytes = 0x4000000; // 64 MiB
inline constexpr int kCuesPasses = 8;

void WriteSizeVarint(std::vector<std::uint8_t>& out, std::uint64_t value);
void WriteUIntData(std::vector<std::uint8_t>& out, std::uint64_t value);

// nullopt when the scan offers no repair, the file cannot be read or the head would pass its cap
// (running out of memory included).
std::optional<RepairHead> BuildRepairHeader(ByteSource& file, const WebmScan& scan);

// The Cues element for the clusters, with positions relative to the segment data start, where
// the body (Info and head elements) takes bodyLength bytes and the Cues cuesLength. nullopt
// when it would pass kMaxRepairHeadBytes: the build stops there, and pointsWritten, when given,
// tells how many CuePoints it had written.
std::optional<std::vector<std::uint8_t>> BuildCues(const WebmScan& scan, std::uint64_t bodyLength,
                                                   std::uint64_t cuesLength,
                                                   std::size_t* pointsWritten = nullptr);

// The name Media Foundation is told for a repaired stream: the path with everything from its last
// "." removed, then ".webm", so its WebM source is chosen whatever the file's own extension.
std::u16string RepairOriginName(const std::u16string& path);

// The presented stream: head, then file bytes from tailStart. Copies what lies in the head into
// out and tells how many bytes are to be read from the file, and where.
struct PresentedRead {
    std::uint64_t headBytes = 0;  // copied from the head
    std::uint64_t tailBytes = 0;  // still to read from the file
    std::uint64_t fileOffset = 0; // where those start
};
PresentedRead PlanPresentedRead(std::uint64_t headLength, std::uint64_t tailStart, std::uint64_t tailLength,
                                std::uint64_t position, std::uint64_t count);
