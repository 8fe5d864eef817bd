// The WebM scan and the repaired head are built from whatever bytes a file holds: any input must
// scan and build without a fault and give the same record when scanned again, and when read in
// small blocks instead of parsed in place. A built head
// begins with the file's EBML header, presents a tail of the file from its first cluster on, and
// carries cues that lead through the presented stream to scanned clusters and, where they name
// a block, to a block.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/webm/repair_header.h"
#include "engine/webm/webm_scan.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The same bytes, but not in memory as far as the scan can tell: it reads them in blocks.
class BlockSource final : public ByteSource {
  public:
    explicit BlockSource(ByteSource& inner) : inner_(inner) {}
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        return inner_.ReadAt(offset, out, n);
    }
    std::uint64_t Size() override { return inner_.Size(); }

  private:
    ByteSource& inner_;
};

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// A bounds-checked reader of the head the repair wrote.
struct Reader {
    const Bytes& bytes;

    bool Varint(std::size_t& pos, bool keepMarker, std::uint64_t& value) const {
        if (pos >= bytes.size() || bytes[pos] == 0)
            return false;
        int length = 1;
        while ((bytes[pos] & (0x80 >> (length - 1))) == 0)
            ++length;
        if (pos + length > bytes.size())
            return false;
        value = keepMarker ? bytes[pos] : (bytes[pos] & (0xFF >> length));
        for (int i = 1; i < length; ++i)
            value = (value << 8) | bytes[pos + i];
        pos += length;
        return true;
    }
    // The element at pos: its ID, data start and end, all inside the bytes.
    void Element(std::size_t pos, std::uint64_t& id, std::size_t& data, std::size_t& end) const {
        std::uint64_t size = 0;
        Require(Varint(pos, true, id) && Varint(pos, false, size) && size <= bytes.size() - pos);
        data = pos;
        end = pos + static_cast<std::size_t>(size);
    }
    std::uint64_t UInt(std::size_t data, std::size_t end) const {
        Require(end - data <= 8);
        std::uint64_t value = 0;
        for (std::size_t i = data; i < end; ++i)
            value = (value << 8) | bytes[i];
        return value;
    }
};

struct CueEntry {
    std::uint64_t position = ~std::uint64_t{0};
    std::uint64_t relative = ~std::uint64_t{0};
};

std::vector<CueEntry> ReadHeadCues(const Bytes& head, std::size_t segmentData) {
    const Reader reader{head};
    std::uint64_t id = 0;
    std::size_t data = 0, end = 0;
    for (std::size_t pos = segmentData;; pos = end) {
        Require(pos < head.size());
        reader.Element(pos, id, data, end);
        if (id == webm_id::kCues)
            break;
    }
    Require(end == head.size()); // the Cues close the head
    std::vector<CueEntry> cues;
    for (std::size_t point = data, pointData = 0, pointEnd = 0; point < end; point = pointEnd) {
        reader.Element(point, id, pointData, pointEnd);
        Require(id == 0xBB);
        CueEntry cue;
        for (std::size_t child = pointData, childData = 0, childEnd = 0; child < pointEnd; child = childEnd) {
            reader.Element(child, id, childData, childEnd);
            for (std::size_t field = childData, fieldData = 0, fieldEnd = 0; id == 0xB7 && field < childEnd;
                 field = fieldEnd) {
                std::uint64_t fieldId = 0;
                reader.Element(field, fieldId, fieldData, fieldEnd);
                if (fieldId == 0xF1)
                    cue.position = reader.UInt(fieldData, fieldEnd);
                else if (fieldId == 0xF0)
                    cue.relative = reader.UInt(fieldData, fieldEnd);
            }
        }
        cues.push_back(cue);
    }
    return cues;
}

// Where a cluster's data starts in the file: after its 4-byte ID and its size.
std::uint64_t ClusterData(const std::uint8_t* file, std::size_t size, std::uint64_t offset) {
    Require(offset + 4 < size);
    const std::uint8_t first = file[offset + 4];
    Require(first != 0);
    int length = 1;
    while ((first & (0x80 >> (length - 1))) == 0)
        ++length;
    return offset + 4 + length;
}

void CheckCues(const RepairHead& head, const WebmScan& scan, const std::uint8_t* file, std::size_t size) {
    const std::size_t segmentData = static_cast<std::size_t>(scan.ebmlSize) + 12;
    const std::vector<CueEntry> cues = ReadHeadCues(head.bytes, segmentData);
    const auto keyed = std::count_if(scan.clusters.begin(), scan.clusters.end(),
                                     [](const WebmCluster& c) { return c.keyPosition != kNoKeyframe; });
    const std::size_t expected = scan.videoTrack == 0
                                     ? scan.clusters.size()
                                     : std::max<std::size_t>(1, static_cast<std::size_t>(keyed));
    Require(cues.size() == expected);
    for (const CueEntry& cue : cues) {
        Require(cue.position <= ~std::uint64_t{0} - segmentData);
        const std::uint64_t presented = segmentData + cue.position;
        Require(presented >= head.bytes.size());
        const std::uint64_t offset = head.tailStart + (presented - head.bytes.size());
        Require(offset < head.tailEnd);
        const auto it = std::lower_bound(scan.clusters.begin(), scan.clusters.end(), offset,
                                         [](const WebmCluster& c, std::uint64_t o) { return c.offset < o; });
        Require(it != scan.clusters.end() && it->offset == offset);
        if (cue.relative != ~std::uint64_t{0}) {
            const std::uint64_t block = ClusterData(file, size, offset) + cue.relative;
            Require(block < size &&
                    (file[block] == webm_id::kSimpleBlock || file[block] == webm_id::kBlockGroup));
        }
    }
}

void CheckHead(const RepairHead& head, const WebmScan& scan, const std::uint8_t* file, std::size_t size) {
    Require(head.bytes.size() >= scan.ebmlSize &&
            std::memcmp(head.bytes.data(), file + scan.ebmlStart, scan.ebmlSize) == 0);
    Require(head.tailStart == scan.firstClusterOffset);
    Require(head.tailStart <= head.tailEnd && head.tailEnd <= size);
    CheckCues(head, scan, file, size);
    const std::uint64_t tail = head.tailEnd - head.tailStart;
    const PresentedRead read = PlanPresentedRead(head.bytes.size(), head.tailStart, tail, size / 2, size);
    Require(read.headBytes + read.tailBytes <= size);
    Require(read.tailBytes == 0 || read.fileOffset + read.tailBytes <= head.tailEnd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySource source(std::vector<std::uint8_t>(data, data + size));
    WebmScan scan, again;
    ScanWebm(source, scan, nullptr, 0);
    ScanWebm(source, again, nullptr, 0);
    Require(scan == again);
    BlockSource blocks(source);
    WebmScan read;
    ScanWebmInBlocks(blocks, read, nullptr, 0, 32 + size % 61); // block ends fall anywhere
    Require(read == scan);
    const double seconds = ScanDuration(scan);
    Require(seconds == -1 || (std::isfinite(seconds) && seconds >= 0));
    Require(!NeedsRepair(scan) || (scan.scanOk && !scan.tooLarge && !scan.clusters.empty()));
    if (const auto head = BuildRepairHeader(source, scan))
        CheckHead(*head, scan, data, size);
    return 0;
}
