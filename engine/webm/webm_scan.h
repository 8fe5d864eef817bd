#pragma once
// One pass over a Matroska/WebM file's element structure: where the header elements and every
// cluster lie, each cluster's timecode, the timecode scale, the declared duration and the track
// to index. Only element headers, block headers and the Info and Tracks contents are read.
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/webm/byte_source.h"

struct WebmCluster {
    std::uint64_t offset = 0; // of its ID
    std::int64_t timecode = -1;
};

struct WebmScan {
    bool isEbml = false;
    bool scanOk = false;
    std::uint64_t fileSize = 0;
    std::uint64_t ebmlStart = 0;
    std::uint64_t ebmlSize = 0;
    std::uint64_t timecodeScale = 1000000;
    bool hasDuration = false;
    bool hasCues = false;
    double durationTicks = -1;
    std::vector<std::uint8_t> infoChildren;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> headElements; // (offset, length)
    std::vector<WebmCluster> clusters;
    std::uint64_t firstClusterOffset = 0;
    std::int32_t maxBlockOffset = 0;
    std::uint32_t videoTrack = 0;
    std::uint32_t firstTrack = 0;
};

namespace webm_id {
inline constexpr std::uint32_t kEbml = 0x1A45DFA3;
inline constexpr std::uint32_t kSegment = 0x18538067;
inline constexpr std::uint32_t kSeekHead = 0x114D9B74;
inline constexpr std::uint32_t kVoid = 0xEC;
inline constexpr std::uint32_t kInfo = 0x1549A966;
inline constexpr std::uint32_t kTimecodeScale = 0x2AD7B1;
inline constexpr std::uint32_t kDuration = 0x4489;
inline constexpr std::uint32_t kTracks = 0x1654AE6B;
inline constexpr std::uint32_t kTrackEntry = 0xAE;
inline constexpr std::uint32_t kTrackNumber = 0xD7;
inline constexpr std::uint32_t kTrackType = 0x83;
inline constexpr std::uint32_t kCues = 0x1C53BB6B;
inline constexpr std::uint32_t kCluster = 0x1F43B675;
inline constexpr std::uint32_t kTimecode = 0xE7;
inline constexpr std::uint32_t kSimpleBlock = 0xA3;
inline constexpr std::uint32_t kBlockGroup = 0xA0;
inline constexpr std::uint32_t kBlock = 0xA1;
} // namespace webm_id

inline constexpr std::uint64_t kMaxInfoChildBytes = 0x100000;
inline constexpr std::uint32_t kCancelCheckInterval = 256;

// Scans the source into scan (scanOk tells the outcome). cancel, when given, is read every 256
// elements: a value other than generation means a newer open started, and the scan gives up.
bool ScanWebm(ByteSource& source, WebmScan& scan, const std::int64_t* cancel, std::int64_t generation);

bool NeedsRepair(const WebmScan& scan);

// Seconds, or -1 when the scan gives no estimate.
double ScanDuration(const WebmScan& scan);
