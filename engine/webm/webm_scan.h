#pragma once
// One pass over a Matroska/WebM file's element structure: where the header elements and every
// cluster lie, each cluster's timecode and first video keyframe, the timecode scale, the declared
// duration and the track to index. Only element headers, block headers and the Info and Tracks
// contents are read. Every record it keeps is bounded, whatever the file declares.
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/webm/byte_source.h"

inline constexpr std::uint32_t kNoKeyframe = 0xFFFFFFFF;

// Stored once per cluster, so kept at 24 bytes.
struct WebmCluster {
    std::uint64_t offset = 0; // of its ID
    std::int64_t timecode = -1;
    // The first keyframe of the video track: where its SimpleBlock or BlockGroup starts, counted
    // from the cluster's data start (kNoKeyframe: none), its relative timecode, and whether it
    // is the cluster's first block.
    std::uint32_t keyPosition = kNoKeyframe;
    std::int16_t keyTimecode = 0;
    bool keyIsFirstBlock = false;

    bool operator==(const WebmCluster&) const = default;
};
static_assert(sizeof(WebmCluster) <= 24, "one record per cluster stays small");

struct WebmScan {
    bool isEbml = false;
    bool scanOk = false;
    // A record would pass its bound: too many clusters (the scan then fails), or too many or too
    // large header elements (the scan goes on, but no repair is offered).
    bool tooLarge = false;
    std::uint64_t fileSize = 0;
    std::uint64_t ebmlStart = 0;
    std::uint64_t ebmlSize = 0;
    std::uint64_t timecodeScale = 1000000;
    bool hasDuration = false;
    bool hasCues = false;
    double durationTicks = -1; // the declared Duration when it is finite and positive
    std::vector<std::uint8_t> infoChildren;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> headElements; // (offset, length)
    std::vector<WebmCluster> clusters;
    std::uint64_t firstClusterOffset = 0;
    // Where the clusters' part of the file ends: the start of the Cues, SeekHead and Void
    // elements that close the file (stale indexes), or the file size.
    std::uint64_t tailEnd = 0;
    std::int32_t maxBlockOffset = 0;
    std::uint32_t videoTrack = 0;
    std::uint32_t firstTrack = 0;

    bool operator==(const WebmScan&) const = default;
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
inline constexpr std::uint32_t kReferenceBlock = 0xFB;
} // namespace webm_id

inline constexpr std::uint64_t kMaxInfoChildBytes = 0x100000;
inline constexpr std::uint32_t kCancelCheckInterval = 256;
// Element sizes come from the file, so the repaired head as a whole is capped; the scan keeps
// nothing that could not fit in it.
inline constexpr std::uint64_t kMaxRepairHeadBytes = 0x4000000; // 64 MiB
// Each cluster becomes a cue in the repaired head. This many already covers weeks of recording
// at one cluster a second and keeps the record small (24 MiB), far inside what a 64 MiB head
// can index.
inline constexpr std::size_t kMaxScanClusters = 1048576;
inline constexpr std::size_t kMaxHeadElements = 4096;

// A source that does not lie in memory is read in blocks of this size.
inline constexpr std::size_t kScanBlockBytes = 1 << 20;

// Scans the source into scan (scanOk tells the outcome; running out of memory is a failed
// scan). cancel, when given, is read every 256 elements: a value other than generation means a
// newer open started, and the scan gives up.
bool ScanWebm(ByteSource& source, WebmScan& scan, const std::int64_t* cancel, std::int64_t generation);

// The same, reading a source that does not lie in memory in blocks of blockBytes (32 at least):
// tests use small blocks so that headers straddle their ends.
bool ScanWebmInBlocks(ByteSource& source, WebmScan& scan, const std::int64_t* cancel, std::int64_t generation,
                      std::size_t blockBytes);

bool NeedsRepair(const WebmScan& scan);

// The declared Duration in ticks when it can be used (finite and positive).
bool HasUsableDuration(const WebmScan& scan);

// Seconds, or -1 when the scan gives no estimate.
double ScanDuration(const WebmScan& scan);

// The time of a cluster's keyframe in ticks: its cluster's timecode (0 when never seen) plus the
// block's relative timecode, never below 0.
std::uint64_t KeyframeTime(const WebmCluster& cluster);
