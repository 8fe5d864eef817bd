#include "engine/webm/webm_scan.h"

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

struct Varint {
    std::uint64_t value = 0;
    std::uint32_t length = 0;
    bool unknown = false;
};

// One element header: where it starts, where its data starts and ends (the end as declared, so
// it may lie past the file or wrap), and whether its size is unknown.
struct Element {
    std::uint32_t id = 0;
    std::uint64_t start = 0;
    std::uint64_t data = 0;
    std::uint64_t end = 0;
    bool unknown = false;
};

struct BlockHeader {
    std::uint64_t track = 0;
    std::int16_t relative = 0;
    bool key = false; // the SimpleBlock keyframe flag
};

class Scanner {
  public:
    Scanner(ByteSource& source, WebmScan& scan, const std::int64_t* cancel, std::int64_t generation)
        : source_(source), scan_(scan), cancel_(cancel), generation_(generation) {}

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
    bool ReadBlockHeader(std::uint64_t pos, BlockHeader& out);
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

    ByteSource& source_;
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
    std::uint8_t first = 0;
    if (!source_.ReadAt(pos, &first, 1) || first == 0)
        return false;
    if (isId && first < 0x10)
        return false; // IDs are at most 4 bytes long
    std::uint32_t length = 1;
    while ((first & (0x80 >> (length - 1))) == 0)
        ++length;
    std::uint8_t rest[7] = {};
    if (length > 1 && !source_.ReadAt(pos + 1, rest, length - 1))
        return false;
    const std::uint8_t valueBits = static_cast<std::uint8_t>(first & (0xFF >> length));
    std::uint64_t value = isId ? first : valueBits;
    bool allOnes = valueBits == (0xFF >> length);
    for (std::uint32_t i = 0; i + 1 < length; ++i) {
        value = (value << 8) | rest[i];
        allOnes = allOnes && rest[i] == 0xFF;
    }
    out = {value, length, !isId && allOnes};
    pos += length;
    return true;
}

bool Scanner::ReadElement(std::uint64_t& pos, Element& out) {
    out.start = pos;
    Varint id, size;
    if (!ReadVarint(pos, true, id) || !ReadVarint(pos, false, size))
        return false;
    out.id = static_cast<std::uint32_t>(id.value);
    out.data = pos;
    out.end = pos + size.value;
    out.unknown = size.unknown;
    return true;
}

std::uint64_t Scanner::ReadUInt(std::uint64_t pos, std::uint64_t n) {
    std::uint8_t bytes[8] = {};
    if (n > 8 || !source_.ReadAt(pos, bytes, static_cast<std::size_t>(n)))
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
    scan_.fileSize = source_.Size();
    scan_.tailEnd = scan_.fileSize;
    std::uint8_t magic[4] = {};
    if (!source_.ReadAt(0, magic, 4) || std::memcmp(magic, "\x1A\x45\xDF\xA3", 4) != 0)
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

bool Scanner::ReadBlockHeader(std::uint64_t pos, BlockHeader& out) {
    Varint track;
    std::uint8_t bytes[2] = {};
    if (!ReadVarint(pos, false, track) || !source_.ReadAt(pos, bytes, 2))
        return false;
    out.track = track.value;
    out.relative = static_cast<std::int16_t>((bytes[0] << 8) | bytes[1]);
    std::uint8_t flags = 0;
    out.key = source_.ReadAt(pos + 2, &flags, 1) && (flags & 0x80) != 0;
    return true;
}

void Scanner::NoteSimpleBlock(const Element& e) {
    BlockHeader block;
    if (!ReadBlockHeader(e.data, block))
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
        if (id.value == kBlock && !hasBlock && ReadBlockHeader(pos, block)) {
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
    std::uint8_t raw[8] = {};
    if ((size != 4 && size != 8) || !source_.ReadAt(data, raw, size))
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
    return source_.ReadAt(start, scan_.infoChildren.data() + at, static_cast<size_t>(length));
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
    try {
        BufferedSource buffered(source);
        scan.scanOk = Scanner(buffered, scan, cancel, generation).Run();
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
