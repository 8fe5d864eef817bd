#include "engine/webm/repair_header.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace {

namespace cue_id {
constexpr std::uint8_t kCuePoint = 0xBB;
constexpr std::uint8_t kCueTime = 0xB3;
constexpr std::uint8_t kCueTrackPositions = 0xB7;
constexpr std::uint8_t kCueTrack = 0xF7;
constexpr std::uint8_t kCueClusterPosition = 0xF1;
constexpr std::uint8_t kCueRelativePosition = 0xF0;
} // namespace cue_id

// A CuePoint holds at most two 8-byte and two 4-byte numbers, each with a 2-byte header, and
// two 2-byte element headers of its own.
constexpr std::size_t kMaxCuePointBytes = 2 + 10 + 2 + 6 + 10 + 6;
static_assert(kMaxScanClusters * kMaxCuePointBytes + 16 < kMaxRepairHeadBytes,
              "every cluster the scan keeps fits in the head's Cues");

void AppendId(std::vector<std::uint8_t>& out, std::uint32_t id) {
    bool started = false;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = static_cast<std::uint8_t>(id >> shift);
        if (byte != 0 || started || shift == 0) {
            out.push_back(byte);
            started = true;
        }
    }
}

void AppendElement(std::vector<std::uint8_t>& out, std::uint32_t id,
                   const std::vector<std::uint8_t>& payload) {
    AppendId(out, id);
    WriteSizeVarint(out, payload.size());
    out.insert(out.end(), payload.begin(), payload.end());
}

double DurationTicks(const WebmScan& scan) {
    if (HasUsableDuration(scan))
        return scan.durationTicks;
    const std::int64_t last = scan.clusters.back().timecode;
    return last < 0 ? 0.0 : std::max(0.0, static_cast<double>(last) + scan.maxBlockOffset);
}

std::vector<std::uint8_t> InfoElement(const WebmScan& scan) {
    std::vector<std::uint8_t> payload = scan.infoChildren;
    const double ticks = DurationTicks(scan);
    std::uint64_t bits;
    std::memcpy(&bits, &ticks, 8);
    payload.insert(payload.end(), {0x44, 0x89, 0x88});
    for (int shift = 56; shift >= 0; shift -= 8)
        payload.push_back(static_cast<std::uint8_t>(bits >> shift));
    std::vector<std::uint8_t> out;
    AppendElement(out, webm_id::kInfo, payload);
    return out;
}

bool AppendFileBytes(ByteSource& file, std::vector<std::uint8_t>& out, std::uint64_t offset,
                     std::uint64_t length) {
    if (length > kMaxCopiedElementBytes || out.size() + length > kMaxRepairHeadBytes)
        return false;
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(length));
    return file.ReadAt(offset, out.data() + at, static_cast<size_t>(length));
}

std::uint32_t CueTrack(const WebmScan& scan) {
    if (scan.videoTrack != 0)
        return scan.videoTrack;
    return scan.firstTrack != 0 ? scan.firstTrack : 1;
}

// One CuePoint, assembled on the stack: every ID in it is one byte long and every payload stays
// below 127 bytes, so each size is the one byte WriteSizeVarint gives for it.
class CuePointBytes {
  public:
    std::size_t Open(std::uint8_t id) {
        Put(id);
        Put(0x80);
        return size_;
    }
    void Close(std::size_t data) { bytes_[data - 1] = static_cast<std::uint8_t>(0x80 | (size_ - data)); }
    void PutUInt(std::uint8_t id, std::uint64_t value) {
        int n = 1;
        while (n < 8 && (value >> (8 * n)) != 0)
            ++n;
        Put(id);
        Put(static_cast<std::uint8_t>(0x80 | n));
        for (int i = n - 1; i >= 0; --i)
            Put(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void AppendTo(std::vector<std::uint8_t>& out) const { out.insert(out.end(), bytes_, bytes_ + size_); }

  private:
    void Put(std::uint8_t byte) { bytes_[size_++] = byte; }
    std::uint8_t bytes_[kMaxCuePointBytes];
    std::size_t size_ = 0;
};

// Writes CuePoints one after the other and stops once they pass the head's cap.
class CuePointWriter {
  public:
    CuePointWriter(const WebmScan& scan, std::uint64_t positionBase)
        : track_(CueTrack(scan)), firstCluster_(scan.firstClusterOffset), base_(positionBase) {}

    bool Add(std::uint64_t time, const WebmCluster& cluster, std::uint32_t relative) {
        CuePointBytes point;
        const std::size_t pointData = point.Open(cue_id::kCuePoint);
        point.PutUInt(cue_id::kCueTime, time);
        const std::size_t positionsData = point.Open(cue_id::kCueTrackPositions);
        point.PutUInt(cue_id::kCueTrack, track_);
        point.PutUInt(cue_id::kCueClusterPosition, cluster.offset - firstCluster_ + base_);
        if (relative != kNoKeyframe)
            point.PutUInt(cue_id::kCueRelativePosition, relative);
        point.Close(positionsData);
        point.Close(pointData);
        point.AppendTo(points_);
        ++count_;
        return points_.size() <= kMaxRepairHeadBytes;
    }
    std::size_t Count() const { return count_; }
    std::vector<std::uint8_t> Cues() const {
        std::vector<std::uint8_t> cues;
        AppendElement(cues, webm_id::kCues, points_);
        return cues;
    }

  private:
    std::uint32_t track_;
    std::uint64_t firstCluster_;
    std::uint64_t base_;
    std::vector<std::uint8_t> points_;
    std::size_t count_ = 0;
};

// Without a video track every cluster is a seek point. With one, only the clusters holding a
// keyframe of it are, at that keyframe: a seek elsewhere would start decoding without its
// references. When none was seen, the first cluster stands for the start.
bool WriteCuePoints(const WebmScan& scan, CuePointWriter& writer) {
    const auto clusterTime = [](const WebmCluster& c) {
        return static_cast<std::uint64_t>(std::max<std::int64_t>(c.timecode, 0));
    };
    if (scan.videoTrack == 0) {
        for (const auto& cluster : scan.clusters) {
            if (!writer.Add(clusterTime(cluster), cluster, kNoKeyframe))
                return false;
        }
        return true;
    }
    for (const auto& cluster : scan.clusters) {
        if (cluster.keyPosition == kNoKeyframe)
            continue;
        if (!writer.Add(KeyframeTime(cluster), cluster,
                        cluster.keyIsFirstBlock ? kNoKeyframe : cluster.keyPosition))
            return false;
    }
    return writer.Count() > 0 ||
           writer.Add(clusterTime(scan.clusters.front()), scan.clusters.front(), kNoKeyframe);
}

// The cluster positions depend on the Cues' own length, which stands before the clusters.
std::optional<std::vector<std::uint8_t>> SettleCues(const WebmScan& scan, std::uint64_t before,
                                                    std::uint64_t body) {
    std::uint64_t assumed = 0;
    std::optional<std::vector<std::uint8_t>> cues;
    for (int pass = 0; pass < kCuesPasses; ++pass) {
        cues = BuildCues(scan, body, assumed);
        if (!cues || cues->size() == assumed)
            break;
        assumed = cues->size();
        if (before + body + assumed > kMaxRepairHeadBytes)
            return std::nullopt;
    }
    if (!cues || before + body + cues->size() > kMaxRepairHeadBytes)
        return std::nullopt;
    return cues;
}

std::optional<RepairHead> BuildHead(ByteSource& file, const WebmScan& scan) {
    if (!scan.isEbml || !scan.scanOk || scan.tooLarge || scan.clusters.empty() || scan.ebmlSize == 0)
        return std::nullopt;
    RepairHead head;
    if (!AppendFileBytes(file, head.bytes, scan.ebmlStart, scan.ebmlSize))
        return std::nullopt;
    head.bytes.insert(head.bytes.end(),
                      {0x18, 0x53, 0x80, 0x67, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    std::vector<std::uint8_t> body = InfoElement(scan);
    for (const auto& [offset, length] : scan.headElements) {
        if (head.bytes.size() + body.size() > kMaxRepairHeadBytes ||
            !AppendFileBytes(file, body, offset, length))
            return std::nullopt;
    }
    const auto cues = SettleCues(scan, head.bytes.size(), body.size());
    if (!cues)
        return std::nullopt;
    head.bytes.insert(head.bytes.end(), body.begin(), body.end());
    head.bytes.insert(head.bytes.end(), cues->begin(), cues->end());
    head.tailStart = scan.firstClusterOffset;
    const std::uint64_t size = file.Size();
    head.tailEnd = scan.tailEnd > head.tailStart && scan.tailEnd <= size ? scan.tailEnd : size;
    return head;
}

} // namespace

void WriteSizeVarint(std::vector<std::uint8_t>& out, std::uint64_t value) {
    int length = 1;
    while (length < 8 && value >= (std::uint64_t{1} << (7 * length)) - 1)
        ++length;
    const int shift = 8 * (length - 1);
    out.push_back(static_cast<std::uint8_t>((0x80 >> (length - 1)) | (shift < 64 ? (value >> shift) : 0)));
    for (int i = length - 2; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void WriteUIntData(std::vector<std::uint8_t>& out, std::uint64_t value) {
    int bytes = 1;
    while (bytes < 8 && (value >> (8 * bytes)) != 0)
        ++bytes;
    WriteSizeVarint(out, static_cast<std::uint64_t>(bytes));
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::optional<std::vector<std::uint8_t>> BuildCues(const WebmScan& scan, std::uint64_t bodyLength,
                                                   std::uint64_t cuesLength, std::size_t* pointsWritten) {
    CuePointWriter writer(scan, bodyLength + cuesLength);
    const bool within = scan.clusters.empty() || WriteCuePoints(scan, writer);
    if (pointsWritten != nullptr)
        *pointsWritten = writer.Count();
    if (!within)
        return std::nullopt;
    return writer.Cues();
}

std::optional<RepairHead> BuildRepairHeader(ByteSource& file, const WebmScan& scan) {
    try {
        return BuildHead(file, scan);
    } catch (const std::exception&) {
        return std::nullopt; // out of memory: no head
    }
}

PresentedRead PlanPresentedRead(std::uint64_t headLength, std::uint64_t tailStart, std::uint64_t tailLength,
                                std::uint64_t position, std::uint64_t count) {
    PresentedRead plan;
    const std::uint64_t length = headLength + tailLength;
    if (position >= length)
        return plan;
    const std::uint64_t n = std::min(count, length - position);
    if (position < headLength)
        plan.headBytes = std::min(n, headLength - position);
    plan.tailBytes = n - plan.headBytes;
    plan.fileOffset = tailStart + (position + plan.headBytes - headLength);
    return plan;
}

std::u16string RepairOriginName(const std::u16string& path) {
    const size_t dot = path.rfind(u'.');
    return (dot == std::u16string::npos ? path : path.substr(0, dot)) + u".webm";
}
