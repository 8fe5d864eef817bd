#include "engine/webm/repair_header.h"

#include <algorithm>
#include <cstring>

namespace {

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

void AppendElement(std::vector<std::uint8_t>& out, std::uint32_t id, const std::vector<std::uint8_t>& payload) {
    AppendId(out, id);
    WriteSizeVarint(out, payload.size());
    out.insert(out.end(), payload.begin(), payload.end());
}

void AppendUIntElement(std::vector<std::uint8_t>& out, std::uint32_t id, std::uint64_t value) {
    AppendId(out, id);
    WriteUIntData(out, value);
}

double DurationTicks(const WebmScan& scan) {
    if (scan.hasDuration && scan.durationTicks > 0)
        return scan.durationTicks;
    const std::int64_t last = scan.clusters.back().timecode;
    return last < 0 ? 0.0 : static_cast<double>(last + scan.maxBlockOffset);
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

bool AppendFileBytes(ByteSource& file, std::vector<std::uint8_t>& out, std::uint64_t offset, std::uint64_t length) {
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

std::vector<std::uint8_t> BuildCues(const WebmScan& scan, std::uint64_t bodyLength, std::uint64_t cuesLength) {
    const std::uint32_t track = CueTrack(scan);
    std::vector<std::uint8_t> points;
    for (const auto& cluster : scan.clusters) {
        std::vector<std::uint8_t> positions;
        AppendUIntElement(positions, 0xF7, track);
        AppendUIntElement(positions, 0xF1, cluster.offset - scan.firstClusterOffset + bodyLength + cuesLength);
        std::vector<std::uint8_t> point;
        AppendUIntElement(point, 0xB3, static_cast<std::uint64_t>(std::max<std::int64_t>(cluster.timecode, 0)));
        AppendElement(point, 0xB7, positions);
        AppendElement(points, 0xBB, point);
    }
    std::vector<std::uint8_t> cues;
    AppendElement(cues, webm_id::kCues, points);
    return cues;
}

std::optional<RepairHead> BuildRepairHeader(ByteSource& file, const WebmScan& scan) {
    if (!scan.isEbml || !scan.scanOk || scan.clusters.empty() || scan.ebmlSize == 0)
        return std::nullopt;
    RepairHead head;
    if (!AppendFileBytes(file, head.bytes, scan.ebmlStart, scan.ebmlSize))
        return std::nullopt;
    head.bytes.insert(head.bytes.end(), {0x18, 0x53, 0x80, 0x67, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    std::vector<std::uint8_t> body = InfoElement(scan);
    for (const auto& [offset, length] : scan.headElements) {
        if (head.bytes.size() + body.size() > kMaxRepairHeadBytes || !AppendFileBytes(file, body, offset, length))
            return std::nullopt;
    }
    // The cluster positions depend on the Cues' own length, which stands before the clusters.
    std::uint64_t assumed = 0;
    std::vector<std::uint8_t> cues;
    for (int pass = 0; pass < kCuesPasses; ++pass) {
        cues = BuildCues(scan, body.size(), assumed);
        if (cues.size() == assumed)
            break;
        assumed = cues.size();
        if (head.bytes.size() + body.size() + assumed > kMaxRepairHeadBytes)
            return std::nullopt;
    }
    if (head.bytes.size() + body.size() + cues.size() > kMaxRepairHeadBytes)
        return std::nullopt;
    head.bytes.insert(head.bytes.end(), body.begin(), body.end());
    head.bytes.insert(head.bytes.end(), cues.begin(), cues.end());
    head.tailStart = scan.firstClusterOffset;
    return head;
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
