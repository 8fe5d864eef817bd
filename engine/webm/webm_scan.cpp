#include "engine/webm/webm_scan.h"

#include <atomic>
#include <cstring>

namespace {

using namespace webm_id;

struct Varint {
    std::uint64_t value = 0;
    std::uint32_t length = 0;
    bool unknown = false;
};

class Scanner {
  public:
    Scanner(ByteSource& source, WebmScan& scan, const std::int64_t* cancel, std::int64_t generation)
        : source_(source), scan_(scan), cancel_(cancel), generation_(generation) {}

    bool Run();

  private:
    bool ReadVarint(std::uint64_t& pos, bool isId, Varint& out);
    std::uint64_t ReadUInt(std::uint64_t pos, std::uint64_t n);
    bool Cancelled();
    bool ScanTopLevel();
    bool ScanSegment(std::uint64_t pos, std::uint64_t end);
    bool ScanClusterChildren(std::uint64_t pos, std::uint64_t end);
    bool HandleClusterChild(std::uint32_t id, std::uint64_t data, std::uint64_t end);
    void WalkBlockGroup(std::uint64_t pos, std::uint64_t end);
    void NoteBlock(std::uint64_t pos);
    bool ParseInfo(std::uint64_t pos, std::uint64_t end);
    void ParseTracks(std::uint64_t pos, std::uint64_t end);
    void ParseTrackEntry(std::uint64_t pos, std::uint64_t end);
    bool HandleHeadElement(std::uint32_t id, std::uint64_t start, std::uint64_t data, std::uint64_t end);

    ByteSource& source_;
    WebmScan& scan_;
    const std::int64_t* cancel_;
    std::int64_t generation_;
    std::uint32_t elementCount_ = 0;
};

bool Scanner::ReadVarint(std::uint64_t& pos, bool isId, Varint& out) {
    std::uint8_t first = 0;
    if (!source_.ReadAt(pos, &first, 1) || first == 0)
        return false;
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
        const std::uint64_t start = pos;
        Varint id, size;
        if (!ReadVarint(pos, true, id) || !ReadVarint(pos, false, size))
            return false;
        const std::uint64_t data = pos;
        const std::uint64_t end = data + size.value;
        if (id.value == kSegment) {
            const bool toFileEnd = size.unknown || end > scan_.fileSize || end < data;
            return ScanSegment(data, toFileEnd ? scan_.fileSize : end);
        }
        if (size.unknown)
            return false;
        if (id.value == kEbml) {
            scan_.ebmlStart = start;
            scan_.ebmlSize = end - start;
        }
        if (end >= scan_.fileSize || end < data)
            return true; // no segment
        pos = end;
    }
}

bool Scanner::ScanSegment(std::uint64_t pos, std::uint64_t end) {
    bool clusterSeen = false;
    while (pos < end) {
        if (Cancelled())
            return false;
        const std::uint64_t start = pos;
        Varint id, size;
        if (!ReadVarint(pos, true, id) || !ReadVarint(pos, false, size))
            return false;
        const std::uint64_t data = pos;
        const std::uint64_t elementEnd = data + size.value;
        if (id.value == kCluster) {
            if (!clusterSeen) {
                clusterSeen = true;
                scan_.firstClusterOffset = start;
            }
            scan_.clusters.push_back({start, -1});
            scan_.maxBlockOffset = 0;
            if (size.unknown) {
                pos = data; // its children follow at this level, up to the next cluster
                continue;
            }
            const std::uint64_t clusterEnd = std::min(elementEnd < data ? end : elementEnd, end);
            if (!ScanClusterChildren(data, clusterEnd))
                return false;
            pos = clusterEnd;
            continue;
        }
        if (size.unknown || elementEnd < data)
            return false;
        if (id.value == kTimecode || id.value == kSimpleBlock || id.value == kBlockGroup) {
            if (!scan_.clusters.empty() && !HandleClusterChild(static_cast<std::uint32_t>(id.value), data, elementEnd))
                return false;
            pos = elementEnd;
            continue;
        }
        if (id.value == kCues)
            scan_.hasCues = true;
        if (!clusterSeen && !HandleHeadElement(static_cast<std::uint32_t>(id.value), start, data, elementEnd))
            return false;
        pos = elementEnd;
    }
    return true;
}

bool Scanner::HandleHeadElement(std::uint32_t id, std::uint64_t start, std::uint64_t data, std::uint64_t end) {
    if (id == kSeekHead || id == kVoid)
        return true; // their offsets would be stale in a rebuilt head
    if (id == kInfo)
        return ParseInfo(data, end);
    if (id == kTracks)
        ParseTracks(data, end);
    scan_.headElements.emplace_back(start, end - start);
    return true;
}

bool Scanner::ScanClusterChildren(std::uint64_t pos, std::uint64_t end) {
    while (pos < end) {
        if (Cancelled())
            return false;
        Varint id, size;
        if (!ReadVarint(pos, true, id) || !ReadVarint(pos, false, size) || size.unknown)
            return false;
        const std::uint64_t data = pos;
        const std::uint64_t childEnd = data + size.value;
        if (childEnd < data || !HandleClusterChild(static_cast<std::uint32_t>(id.value), data, childEnd))
            return false;
        pos = childEnd;
    }
    return true;
}

bool Scanner::HandleClusterChild(std::uint32_t id, std::uint64_t data, std::uint64_t end) {
    if (id == kTimecode)
        scan_.clusters.back().timecode = static_cast<std::int64_t>(ReadUInt(data, end - data));
    else if (id == kSimpleBlock)
        NoteBlock(data);
    else if (id == kBlockGroup)
        WalkBlockGroup(data, end);
    return true;
}

void Scanner::WalkBlockGroup(std::uint64_t pos, std::uint64_t end) {
    while (pos < end) {
        Varint id, size;
        if (!ReadVarint(pos, true, id) || !ReadVarint(pos, false, size) || size.unknown)
            return;
        if (id.value == kBlock) {
            NoteBlock(pos);
            return;
        }
        pos += size.value;
    }
}

void Scanner::NoteBlock(std::uint64_t pos) {
    Varint track;
    std::uint8_t bytes[2] = {};
    if (!ReadVarint(pos, false, track) || !source_.ReadAt(pos, bytes, 2))
        return;
    const auto relative = static_cast<std::int16_t>((bytes[0] << 8) | bytes[1]);
    if (relative > scan_.maxBlockOffset)
        scan_.maxBlockOffset = relative;
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
            std::uint8_t raw[8] = {};
            if ((size.value == 4 || size.value == 8) && source_.ReadAt(data, raw, size.value)) {
                std::uint64_t bits = 0;
                for (std::uint64_t i = 0; i < size.value; ++i)
                    bits = (bits << 8) | raw[i];
                if (size.value == 4) {
                    float f;
                    const std::uint32_t b32 = static_cast<std::uint32_t>(bits);
                    std::memcpy(&f, &b32, 4);
                    scan_.durationTicks = f;
                } else {
                    double d;
                    std::memcpy(&d, &bits, 8);
                    scan_.durationTicks = d;
                }
            }
            continue;
        }
        if (id.value == kTimecodeScale) {
            const std::uint64_t v = ReadUInt(data, size.value);
            if (v != 0)
                scan_.timecodeScale = v;
        }
        const std::uint64_t length = childEnd - start;
        if (length > kMaxInfoChildBytes)
            return false;
        const size_t at = scan_.infoChildren.size();
        scan_.infoChildren.resize(at + static_cast<size_t>(length));
        if (!source_.ReadAt(start, scan_.infoChildren.data() + at, static_cast<size_t>(length)))
            return false;
    }
    return true;
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
    BufferedSource buffered(source);
    scan.scanOk = Scanner(buffered, scan, cancel, generation).Run();
    return scan.scanOk;
}

bool NeedsRepair(const WebmScan& scan) {
    return scan.isEbml && scan.scanOk && !scan.clusters.empty() && (!scan.hasCues || !scan.hasDuration);
}

double ScanDuration(const WebmScan& scan) {
    if (!scan.isEbml || !scan.scanOk)
        return -1;
    const double scale = static_cast<double>(scan.timecodeScale);
    if (scan.hasDuration && scan.durationTicks > 0)
        return scan.durationTicks * scale / 1e9;
    if (scan.clusters.empty() || scan.clusters.back().timecode < 0)
        return -1;
    return static_cast<double>(scan.clusters.back().timecode + scan.maxBlockOffset) * scale / 1e9;
}
