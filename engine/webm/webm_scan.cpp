#include "engine/webm/webm_scan.h"

#include "engine/webm/scan_bytes.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>

namespace {

using namespace webm_id;

constexpr std::uint64_t kNoOffset = ~std::uint64_t{0};
constexpr std::uint64_t kMaxTimecode = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

// One element header: where it starts, where its data starts and ends (the end as declared, so
// it may lie past the file or wrap), and whether its size is unknown.
struct Element {
    std::uint32_t id = 0;
    std::uint64_t start = 0;
    std::uint64_t data = 0;
    std::uint64_t end = 0;
    bool unknown = false;
    ScanPeek bytes; // the bytes at start, as far as they were looked at
};

struct BlockHeader {
    std::uint64_t track = 0;
    std::int16_t relative = 0;
    bool key = false; // the SimpleBlock keyframe flag
};

class Scanner {
  public:
    Scanner(ByteSource& source, std::size_t blockBytes, WebmScan& scan, const std::int64_t* cancel,
            std::int64_t generation)
        : bytes_(source, blockBytes), scan_(scan), cancel_(cancel), generation_(generation) {}

    bool Run();

  private:
    bool ReadVarint(std::uint64_t& pos, bool isId, Varint& out);
    bool ReadElement(std::uint64_t& pos, Element& out);
    std::uint64_t ReadUInt(std::uint64_t pos, std::uint64_t n);
    bool Cancelled();
    bool ScanTopLevel();
    bool ScanSegment(std::uint64_t pos, std::uint64_t end);
    bool HandleSegmentChild(const Element& e);
    void NoteTrailing(const Element& e);
    bool StartCluster(const Element& e);
    bool ScanClusterChildren(std::uint64_t pos, std::uint64_t end);
    bool HandleClusterChild(const Element& e);
    bool NoteTimecode(const Element& e);
    bool ReadBlockHeader(ScanPeek at, BlockHeader& out);
    void NoteSimpleBlock(const Element& e);
    void WalkBlockGroup(const Element& e);
    void NoteRelative(std::int16_t relative);
    void NoteKeyframe(std::uint64_t start, std::int16_t relative);
    bool HandleHeadElement(const Element& e);
    void RecordHeadElement(std::uint64_t start, std::uint64_t length);
    bool ParseInfo(std::uint64_t pos, std::uint64_t end);
    void ReadDuration(std::uint64_t data, std::uint64_t size);
    bool KeepInfoChild(std::uint64_t start, std::uint64_t length);
    void ParseTracks(std::uint64_t pos, std::uint64_t end);
    void ParseTrackEntry(std::uint64_t pos, std::uint64_t end);

    ScanBytes bytes_;
    WebmScan& scan_;
    const std::int64_t* cancel_;
    std::int64_t generation_;
    std::uint32_t elementCount_ = 0;
    std::uint64_t clusterData_ = 0;      // the current cluster's data start
    std::uint32_t clusterBlocks_ = 0;    // blocks met in the current cluster so far
    std::uint64_t headBytes_ = 0;        // total length of the recorded head elements
    std::uint64_t trailing_ = kNoOffset; // start of the run of index elements after the clusters
};

bool Scanner::ReadVarint(std::uint64_t& pos, bool isId, Varint& out) {
    const ScanPeek peek = bytes_.Peek(pos);
    if (!DecodeVarint(peek.bytes, peek.count, isId, out))
        return false;
    pos += out.length;
    return true;
}

// The ID and the size are decoded from one look at the bytes.
bool Scanner::ReadElement(std::uint64_t& pos, Element& out) {
    const ScanPeek peek = bytes_.Peek(pos);
    Varint id, size;
    if (!DecodeVarint(peek.bytes, peek.count, true, id) ||
        !DecodeVarint(peek.bytes + id.length, peek.count - id.length, false, size))
        return false;
    out.id = static_cast<std::uint32_t>(id.value);
    out.bytes = peek;
    out.start = pos;
    out.data = pos + id.length + size.length;
    out.end = out.data + size.value;
    out.unknown = size.unknown;
    pos = out.data;
    return true;
}

std::uint64_t Scanner::ReadUInt(std::uint64_t pos, std::uint64_t n) {
    const std::uint8_t* bytes = n <= 8 ? bytes_.At(pos, static_cast<std::size_t>(n)) : nullptr;
    if (bytes == nullptr)
        return 0;
    std::uint64_t value = 0;
    for (std::uint64_t i = 0; i < n; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

bool Scanner::Cancelled() {
    ++elementCount_;
    if ((elementCount_ & (kCancelCheckInterval - 1)) != 0 || cancel_ == nullptr)
        return false;
    const std::int64_t current =
        std::atomic_ref<std::int64_t>(*const_cast<std::int64_t*>(cancel_)).load(std::memory_order_relaxed);
    return current != generation_;
}

bool Scanner::Run() {
    scan_.fileSize = bytes_.Size();
    scan_.tailEnd = scan_.fileSize;
    const std::uint8_t* magic = bytes_.At(0, 4);
    if (magic == nullptr || std::memcmp(magic, "\x1A\x45\xDF\xA3", 4) != 0)
        return true; // not EBML: nothing to scan
    scan_.isEbml = true;
    if (scan_.fileSize == 0)
        return true;
    return ScanTopLevel();
}

bool Scanner::ScanTopLevel() {
    std::uint64_t pos = 0;
    while (true) {
        Element e;
        if (!ReadElement(pos, e))
            return false;
        if (e.id == kSegment) {
            const bool toFileEnd = e.unknown || e.end >= scan_.fileSize || e.end < e.data;
            if (!ScanSegment(e.data, toFileEnd ? scan_.fileSize : e.end))
                return false;
            if (toFileEnd && trailing_ != kNoOffset)
                scan_.tailEnd = trailing_;
            return true;
        }
        if (e.unknown)
            return false;
        if (e.id == kEbml) {
            scan_.ebmlStart = e.start;
            scan_.ebmlSize = e.end - e.start;
        }
        if (e.end >= scan_.fileSize || e.end < e.data)
            return true; // no segment
        pos = e.end;
    }
}

bool Scanner::ScanSegment(std::uint64_t pos, std::uint64_t end) {
    while (pos < end) {
        if (Cancelled())
            return false;
        bytes_.Ahead(pos);
        Element e;
        if (!ReadElement(pos, e))
            return false;
        NoteTrailing(e);
        if (e.id == kCluster) {
            if (!StartCluster(e))
                return false;
            if (e.unknown) {
                pos = e.data; // its children follow at this level, up to the next cluster
                continue;
            }
            const std::uint64_t clusterEnd = std::min(e.end < e.data ? end : e.end, end);
            if (!ScanClusterChildren(e.data, clusterEnd))
                return false;
            pos = clusterEnd;
            continue;
        }
        if (e.unknown || e.end < e.data || !HandleSegmentChild(e))
            return false;
        pos = e.end;
    }
    return true;
}

bool Scanner::HandleSegmentChild(const Element& e) {
    if (e.id == kTimecode || e.id == kSimpleBlock || e.id == kBlockGroup)
        return scan_.clusters.empty() || HandleClusterChild(e);
    if (e.id == kCues)
        scan_.hasCues = true;
    return !scan_.clusters.empty() || HandleHeadElement(e);
}

// Indexes written after the clusters point into the old layout; when they close the file, the
// repaired stream can leave them out without rewriting anything.
void Scanner::NoteTrailing(const Element& e) {
    if (scan_.clusters.empty())
        return;
    if (e.id == kCues || e.id == kSeekHead || e.id == kVoid) {
        if (trailing_ == kNoOffset)
            trailing_ = e.start;
    } else {
        trailing_ = kNoOffset;
    }
}

bool Scanner::StartCluster(const Element& e) {
    if (scan_.clusters.size() >= kMaxScanClusters) {
        scan_.tooLarge = true;
        return false;
    }
    if (scan_.clusters.empty())
        scan_.firstClusterOffset = e.start;
    scan_.clusters.push_back({e.start, -1});
    scan_.maxBlockOffset = 0;
    clusterData_ = e.data;
    clusterBlocks_ = 0;
    return true;
}

bool Scanner::ScanClusterChildren(std::uint64_t pos, std::uint64_t end) {
    while (pos < end) {
        if (Cancelled())
            return false;
        bytes_.Ahead(pos);
        Element e;
        if (!ReadElement(pos, e) || e.unknown || e.end < e.data || !HandleClusterChild(e))
            return false;
        pos = e.end;
    }
    return true;
}

bool Scanner::HandleClusterChild(const Element& e) {
    if (e.id == kTimecode)
        return NoteTimecode(e);
    if (e.id == kSimpleBlock) {
        NoteSimpleBlock(e);
        ++clusterBlocks_;
    } else if (e.id == kBlockGroup) {
        WalkBlockGroup(e);
        ++clusterBlocks_;
    }
    return true;
}

bool Scanner::NoteTimecode(const Element& e) {
    const std::uint64_t value = ReadUInt(e.data, e.end - e.data);
    if (value > kMaxTimecode)
        return false;
    scan_.clusters.back().timecode = static_cast<std::int64_t>(value);
    return true;
}

// The track number, the relative timecode and the flags, from the bytes at the block's data
// start; the flags may be missing at the end of the file.
bool Scanner::ReadBlockHeader(ScanPeek at, BlockHeader& out) {
    Varint track;
    if (!DecodeVarint(at.bytes, at.count, false, track) || at.count < track.length + 2)
        return false;
    const std::uint8_t* after = at.bytes + track.length;
    out.track = track.value;
    out.relative = static_cast<std::int16_t>((after[0] << 8) | after[1]);
    out.key = at.count > track.length + 2 && (after[2] & 0x80) != 0;
    return true;
}

// A SimpleBlock's header mostly lies in the bytes its element header was read from.
void Scanner::NoteSimpleBlock(const Element& e) {
    const std::uint64_t skip = e.data - e.start;
    const ScanPeek at =
        skip < e.bytes.count ? ScanPeek{e.bytes.bytes + skip, e.bytes.count - skip} : bytes_.Peek(e.data);
    BlockHeader block;
    if (!ReadBlockHeader(at, block))
        return;
    NoteRelative(block.relative);
    if (block.key && scan_.videoTrack != 0 && block.track == scan_.videoTrack)
        NoteKeyframe(e.start, block.relative);
}

// A Block in a group is a keyframe when the group holds no ReferenceBlock, before or after it.
void Scanner::WalkBlockGroup(const Element& e) {
    BlockHeader block;
    bool hasBlock = false, hasReference = false;
    for (std::uint64_t pos = e.data; pos < e.end;) {
        Varint id, size;
        if (!ReadVarint(pos, true, id) || !ReadVarint(pos, false, size) || size.unknown)
            return;
        if (id.value == kBlock && !hasBlock && ReadBlockHeader(bytes_.Peek(pos), block)) {
            hasBlock = true;
            NoteRelative(block.relative);
        } else if (id.value == kReferenceBlock) {
            hasReference = true;
        }
        pos += size.value;
    }
    if (hasBlock && !hasReference && scan_.videoTrack != 0 && block.track == scan_.videoTrack)
        NoteKeyframe(e.start, block.relative);
}

void Scanner::NoteRelative(std::int16_t relative) {
    if (relative > scan_.maxBlockOffset)
        scan_.maxBlockOffset = relative;
}

void Scanner::NoteKeyframe(std::uint64_t start, std::int16_t relative) {
    WebmCluster& cluster = scan_.clusters.back();
    const std::uint64_t position = start - clusterData_;
    if (cluster.keyPosition != kNoKeyframe || start < clusterData_ || position >= kNoKeyframe)
        return;
    cluster.keyPosition = static_cast<std::uint32_t>(position);
    cluster.keyTimecode = relative;
    cluster.keyIsFirstBlock = clusterBlocks_ == 0;
}

bool Scanner::HandleHeadElement(const Element& e) {
    if (e.id == kSeekHead || e.id == kVoid || e.id == kCues)
        return true; // their offsets would be stale in a rebuilt head
    if (e.id == kInfo)
        return ParseInfo(e.data, e.end);
    if (e.id == kTracks)
        ParseTracks(e.data, e.end);
    RecordHeadElement(e.start, e.end - e.start);
    return true;
}

// Past either bound the head could not be rebuilt; the scan goes on for the duration estimate.
void Scanner::RecordHeadElement(std::uint64_t start, std::uint64_t length) {
    if (scan_.tooLarge)
        return;
    if (scan_.headElements.size() >= kMaxHeadElements || length > kMaxRepairHeadBytes - headBytes_) {
        scan_.tooLarge = true;
        return;
    }
    headBytes_ += length;
    scan_.headElements.emplace_back(start, length);
}

bool Scanner::ParseInfo(std::uint64_t pos, std::uint64_t end) {
    scan_.infoChildren.clear();
    while (pos < end) {
        const std::uint64_t start = pos;
        Varint id, size;
        if (!ReadVarint(pos, true, id) || !ReadVarint(pos, false, size) || size.unknown)
            return false;
        const std::uint64_t data = pos;
        const std::uint64_t childEnd = data + size.value;
        if (childEnd < data)
            return false;
        pos = childEnd;
        if (id.value == kDuration) {
            scan_.hasDuration = true;
            ReadDuration(data, size.value);
            continue;
        }
        if (id.value == kTimecodeScale) {
            const std::uint64_t v = ReadUInt(data, size.value);
            if (v != 0)
                scan_.timecodeScale = v;
        }
        if (!KeepInfoChild(start, childEnd - start))
            return false;
    }
    return true;
}

void Scanner::ReadDuration(std::uint64_t data, std::uint64_t size) {
    const std::uint8_t* raw =
        size == 4 || size == 8 ? bytes_.At(data, static_cast<std::size_t>(size)) : nullptr;
    if (raw == nullptr)
        return;
    std::uint64_t bits = 0;
    for (std::uint64_t i = 0; i < size; ++i)
        bits = (bits << 8) | raw[i];
    double value;
    if (size == 4) {
        float f;
        const std::uint32_t b32 = static_cast<std::uint32_t>(bits);
        std::memcpy(&f, &b32, 4);
        value = f;
    } else {
        std::memcpy(&value, &bits, 8);
    }
    if (std::isfinite(value) && value > 0)
        scan_.durationTicks = value;
}

bool Scanner::KeepInfoChild(std::uint64_t start, std::uint64_t length) {
    if (length > kMaxInfoChildBytes || length > kMaxRepairHeadBytes - scan_.infoChildren.size())
        return false;
    const size_t at = scan_.infoChildren.size();
    scan_.infoChildren.resize(at + static_cast<size_t>(length));
    return bytes_.Copy(start, scan_.infoChildren.data() + at, static_cast<size_t>(length));
}

void Scanner::ParseTracks(std::uint64_t pos, std::uint64_t end) {
    while (pos < end) {
        Varint id, size;
        if (!ReadVarint(pos, true, id) || !ReadVarint(pos, false, size) || size.unknown)
            return;
        if (id.value == kTrackEntry)
            ParseTrackEntry(pos, pos + size.value);
        pos += size.value;
    }
}

void Scanner::ParseTrackEntry(std::uint64_t pos, std::uint64_t end) {
    std::uint64_t number = 0, type = 0;
    while (pos < end) {
        Varint id, size;
        if (!ReadVarint(pos, true, id) || !ReadVarint(pos, false, size) || size.unknown)
            break;
        if (id.value == kTrackNumber)
            number = ReadUInt(pos, size.value);
        else if (id.value == kTrackType)
            type = ReadUInt(pos, size.value);
        pos += size.value;
    }
    if (number == 0 || number > 0xFFFFFFFFu)
        return;
    if (scan_.firstTrack == 0)
        scan_.firstTrack = static_cast<std::uint32_t>(number);
    if (type == 1 && scan_.videoTrack == 0)
        scan_.videoTrack = static_cast<std::uint32_t>(number);
}

} // namespace

bool ScanWebm(ByteSource& source, WebmScan& scan, const std::int64_t* cancel, std::int64_t generation) {
    return ScanWebmInBlocks(source, scan, cancel, generation, kScanBlockBytes);
}

bool ScanWebmInBlocks(ByteSource& source, WebmScan& scan, const std::int64_t* cancel, std::int64_t generation,
                      std::size_t blockBytes) {
    try {
        scan.scanOk = Scanner(source, blockBytes, scan, cancel, generation).Run();
    } catch (const std::exception&) {
        scan.scanOk = false; // out of memory: no record
    }
    return scan.scanOk;
}

bool NeedsRepair(const WebmScan& scan) {
    return scan.isEbml && scan.scanOk && !scan.tooLarge && !scan.clusters.empty() &&
           (!scan.hasCues || !scan.hasDuration);
}

bool HasUsableDuration(const WebmScan& scan) {
    return scan.hasDuration && std::isfinite(scan.durationTicks) && scan.durationTicks > 0;
}

double ScanDuration(const WebmScan& scan) {
    if (!scan.isEbml || !scan.scanOk)
        return -1;
    const double scale = static_cast<double>(scan.timecodeScale);
    double ticks = -1;
    if (HasUsableDuration(scan))
        ticks = scan.durationTicks;
    else if (!scan.clusters.empty() && scan.clusters.back().timecode >= 0)
        ticks = std::max(0.0, static_cast<double>(scan.clusters.back().timecode) + scan.maxBlockOffset);
    const double seconds = ticks * scale / 1e9;
    return ticks >= 0 && std::isfinite(seconds) ? seconds : -1;
}

std::uint64_t KeyframeTime(const WebmCluster& cluster) {
    const auto base = static_cast<std::uint64_t>(std::max<std::int64_t>(cluster.timecode, 0));
    if (cluster.keyTimecode >= 0)
        return base + static_cast<std::uint64_t>(cluster.keyTimecode); // no wrap: base <= INT64_MAX
    const auto back = static_cast<std::uint64_t>(-static_cast<std::int64_t>(cluster.keyTimecode));
    return base > back ? base - back : 0;
}
