#pragma once
// Builders of small Matroska/WebM files, byte sources that count, generate or fail reads, and a
// reader of the Cues a repaired head carries, for the WebM tests.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "engine/webm/byte_source.h"
#include "engine/webm/repair_header.h"
#include "engine/webm/webm_scan.h"

namespace webm_fixture {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Id(std::uint32_t id) {
    Bytes out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if ((id >> shift) != 0 || shift == 0)
            out.push_back(static_cast<std::uint8_t>(id >> shift));
    }
    return out;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// An element with raw ID bytes, so that malformed IDs can be written too.
inline Bytes RawElement(const Bytes& id, const Bytes& payload) {
    Bytes out = id;
    WriteSizeVarint(out, payload.size());
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

inline Bytes Element(std::uint32_t id, const Bytes& payload) {
    return RawElement(Id(id), payload);
}

inline Bytes UnknownSizeHeader(std::uint32_t id) {
    Bytes out = Id(id);
    out.insert(out.end(), {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    return out;
}

// The header of an element whose payload is not written (a source supplies it).
inline Bytes HeaderOnly(std::uint32_t id, std::uint64_t size) {
    Bytes out = Id(id);
    WriteSizeVarint(out, size);
    return out;
}

inline Bytes UInt(std::uint32_t id, std::uint64_t value) {
    Bytes out = Id(id);
    WriteUIntData(out, value);
    return out;
}

inline Bytes BigEndian(std::uint64_t value, int bytes) {
    Bytes out;
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}

inline Bytes DoubleElement(std::uint32_t id, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    return Element(id, BigEndian(bits, 8));
}

inline Bytes FloatElement(std::uint32_t id, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return Element(id, BigEndian(bits, 4));
}

// A block payload head: track number (one byte), relative timecode, flags, then frame bytes.
inline Bytes BlockPayload(std::uint8_t track, std::int16_t relative, std::uint8_t flags) {
    return {static_cast<std::uint8_t>(0x80 | track),
            static_cast<std::uint8_t>(relative >> 8),
            static_cast<std::uint8_t>(relative),
            flags,
            1,
            2,
            3};
}

inline Bytes SimpleBlockOf(std::uint8_t track, std::int16_t relative, bool key) {
    return Element(webm_id::kSimpleBlock, BlockPayload(track, relative, key ? 0x80 : 0x00));
}

// A key SimpleBlock of track 1 (the video track of kTracks).
inline Bytes SimpleBlock(std::int16_t relative) {
    return SimpleBlockOf(1, relative, true);
}

enum class Reference { None, Before, After };

inline Bytes BlockGroupOf(std::uint8_t track, std::int16_t relative, Reference reference) {
    const Bytes block = Element(webm_id::kBlock, BlockPayload(track, relative, 0));
    const Bytes ref = Element(webm_id::kReferenceBlock, {0xF6});
    const Bytes duration = UInt(0x9B, 40);
    if (reference == Reference::Before)
        return Element(webm_id::kBlockGroup, Cat({ref, block, duration}));
    if (reference == Reference::After)
        return Element(webm_id::kBlockGroup, Cat({block, duration, ref}));
    return Element(webm_id::kBlockGroup, Cat({block, duration}));
}

inline const Bytes kEbmlHeader =
    Element(webm_id::kEbml, Cat({UInt(0x4286, 1), Element(0x4282, {'w', 'e', 'b', 'm'})}));
// Track 2 audio, then track 1 video.
inline const Bytes kTracks =
    Element(webm_id::kTracks, Cat({Element(webm_id::kTrackEntry, Cat({UInt(0xD7, 2), UInt(0x83, 2)})),
                                   Element(webm_id::kTrackEntry, Cat({UInt(0xD7, 1), UInt(0x83, 1)}))}));
inline const Bytes kAudioTracks =
    Element(webm_id::kTracks, Element(webm_id::kTrackEntry, Cat({UInt(0xD7, 1), UInt(0x83, 2)})));

inline Bytes Info(const Bytes& extra = {}, std::uint64_t timecodeScale = 1000000) {
    return Element(webm_id::kInfo,
                   Cat({UInt(webm_id::kTimecodeScale, timecodeScale), Element(0x4D80, {'x'}), extra}));
}

// A live recording: unknown-size segment and clusters, no Cues, no Duration.
inline Bytes LiveFile(int clusters = 3) {
    Bytes segment = Cat(
        {Element(webm_id::kSeekHead, {0x4D, 0xBB, 0x80}), Element(webm_id::kVoid, {0, 0}), Info(), kTracks});
    for (int c = 0; c < clusters; ++c) {
        segment = Cat({segment, UnknownSizeHeader(webm_id::kCluster), UInt(webm_id::kTimecode, 1000u * c),
                       SimpleBlock(0), SimpleBlock(40), SimpleBlock(20)});
    }
    return Cat({kEbmlHeader, UnknownSizeHeader(webm_id::kSegment), segment});
}

inline WebmScan Scan(ByteSource& source) {
    WebmScan scan;
    ScanWebm(source, scan, nullptr, 0);
    return scan;
}

inline WebmScan Scan(Bytes bytes, const std::int64_t* cancel = nullptr, std::int64_t generation = 0) {
    MemorySource source(std::move(bytes));
    WebmScan scan;
    ScanWebm(source, scan, cancel, generation);
    return scan;
}

// A file of the given size made of zeros except for the pieces written at their offsets, so
// that large files cost no memory.
class SparseSource final : public ByteSource {
  public:
    explicit SparseSource(std::uint64_t size) : size_(size) {}
    void Put(std::uint64_t offset, const Bytes& bytes) { pieces_.emplace_back(offset, bytes); }
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        if (offset > size_ || n > size_ - offset)
            return false;
        auto* bytes = static_cast<std::uint8_t*>(out);
        std::fill(bytes, bytes + n, 0);
        for (const auto& [at, piece] : pieces_) {
            const std::uint64_t from = std::max(at, offset), to = std::min(at + piece.size(), offset + n);
            for (std::uint64_t i = from; i < to; ++i)
                bytes[i - offset] = piece[i - at];
        }
        return true;
    }
    std::uint64_t Size() override { return size_; }

  private:
    std::uint64_t size_;
    std::vector<std::pair<std::uint64_t, Bytes>> pieces_;
};

// A prefix, then a pattern repeated count times, generated on every read.
class RepeatSource final : public ByteSource {
  public:
    RepeatSource(Bytes prefix, Bytes pattern, std::uint64_t count)
        : prefix_(std::move(prefix)), pattern_(std::move(pattern)), count_(count) {}
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        if (offset > Size() || n > Size() - offset)
            return false;
        auto* bytes = static_cast<std::uint8_t*>(out);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t at = offset + i;
            bytes[i] = at < prefix_.size() ? prefix_[at] : pattern_[(at - prefix_.size()) % pattern_.size()];
        }
        return true;
    }
    std::uint64_t Size() override { return prefix_.size() + pattern_.size() * count_; }

  private:
    Bytes prefix_;
    Bytes pattern_;
    std::uint64_t count_;
};

// Counts the bytes read through it; throws std::bad_alloc from the read numbered failAt, as an
// allocation inside a reader would.
class CountingSource final : public ByteSource {
  public:
    explicit CountingSource(ByteSource& inner, std::uint64_t failAt = ~std::uint64_t{0})
        : inner_(inner), failAt_(failAt) {}
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        if (reads_++ == failAt_)
            throw std::bad_alloc();
        bytesRead_ += n;
        return inner_.ReadAt(offset, out, n);
    }
    std::uint64_t Size() override { return inner_.Size(); }
    std::uint64_t BytesRead() const { return bytesRead_; }
    std::uint64_t Reads() const { return reads_; }

  private:
    ByteSource& inner_;
    std::uint64_t failAt_;
    std::uint64_t bytesRead_ = 0;
    std::uint64_t reads_ = 0;
};

// A small EBML reader for what the tests check in a repaired head.
struct ReadElementResult {
    std::uint32_t id = 0;
    std::size_t data = 0;
    std::size_t end = 0;
};

inline std::uint64_t ReadVarintAt(const Bytes& bytes, std::size_t& pos, bool keepMarker) {
    const std::uint8_t first = bytes.at(pos);
    int length = 1;
    while (length <= 8 && (first & (0x80 >> (length - 1))) == 0)
        ++length;
    std::uint64_t value = keepMarker ? first : (first & (0xFF >> length));
    for (int i = 1; i < length; ++i)
        value = (value << 8) | bytes.at(pos + i);
    pos += length;
    return value;
}

inline ReadElementResult ReadElementAt(const Bytes& bytes, std::size_t pos) {
    ReadElementResult e;
    e.id = static_cast<std::uint32_t>(ReadVarintAt(bytes, pos, true));
    const std::uint64_t size = ReadVarintAt(bytes, pos, false);
    e.data = pos;
    e.end = pos + static_cast<std::size_t>(size);
    return e;
}

inline std::uint64_t ReadUIntAt(const Bytes& bytes, std::size_t from, std::size_t to) {
    std::uint64_t value = 0;
    for (std::size_t i = from; i < to; ++i)
        value = (value << 8) | bytes.at(i);
    return value;
}

struct Cue {
    std::uint64_t time = 0;
    std::uint64_t track = 0;
    std::uint64_t clusterPosition = 0;
    std::optional<std::uint64_t> relative;
    bool operator==(const Cue&) const = default;
};

// The CuePoints of a Cues element that starts at from.
inline std::vector<Cue> ReadCues(const Bytes& bytes, std::size_t from = 0) {
    std::vector<Cue> cues;
    const ReadElementResult all = ReadElementAt(bytes, from);
    for (std::size_t p = all.data; p < all.end;) {
        const ReadElementResult point = ReadElementAt(bytes, p);
        Cue cue;
        for (std::size_t c = point.data; c < point.end;) {
            const ReadElementResult child = ReadElementAt(bytes, c);
            if (child.id == 0xB3)
                cue.time = ReadUIntAt(bytes, child.data, child.end);
            for (std::size_t q = child.data; child.id == 0xB7 && q < child.end;) {
                const ReadElementResult field = ReadElementAt(bytes, q);
                const std::uint64_t value = ReadUIntAt(bytes, field.data, field.end);
                if (field.id == 0xF7)
                    cue.track = value;
                else if (field.id == 0xF1)
                    cue.clusterPosition = value;
                else if (field.id == 0xF0)
                    cue.relative = value;
                q = field.end;
            }
            c = child.end;
        }
        cues.push_back(cue);
        p = point.end;
    }
    return cues;
}

// Where the segment's data starts in a repaired head, and the offsets of its top-level children.
inline std::size_t HeadSegmentData(const WebmScan& scan) {
    return static_cast<std::size_t>(scan.ebmlSize) + 12;
}

inline std::optional<std::size_t> FindHeadChild(const Bytes& head, const WebmScan& scan, std::uint32_t id) {
    for (std::size_t pos = HeadSegmentData(scan); pos < head.size();) {
        const ReadElementResult e = ReadElementAt(head, pos);
        if (e.id == id)
            return pos;
        pos = e.end;
    }
    return std::nullopt;
}

inline std::vector<Cue> HeadCues(const RepairHead& head, const WebmScan& scan) {
    const auto at = FindHeadChild(head.bytes, scan, webm_id::kCues);
    return at ? ReadCues(head.bytes, *at) : std::vector<Cue>{};
}

// The Duration the head's Info declares, in ticks.
inline std::optional<double> HeadDuration(const RepairHead& head, const WebmScan& scan) {
    const auto info = FindHeadChild(head.bytes, scan, webm_id::kInfo);
    if (!info)
        return std::nullopt;
    const ReadElementResult e = ReadElementAt(head.bytes, *info);
    for (std::size_t pos = e.data; pos < e.end;) {
        const ReadElementResult child = ReadElementAt(head.bytes, pos);
        if (child.id == webm_id::kDuration && child.end - child.data == 8) {
            const std::uint64_t bits = ReadUIntAt(head.bytes, child.data, child.end);
            double value;
            std::memcpy(&value, &bits, 8);
            return value;
        }
        pos = child.end;
    }
    return std::nullopt;
}

// The file offset a cue's cluster position leads to through the presented stream.
inline std::uint64_t CueFileOffset(const RepairHead& head, const WebmScan& scan, const Cue& cue) {
    return cue.clusterPosition + HeadSegmentData(scan) - head.bytes.size() + head.tailStart;
}

} // namespace webm_fixture
