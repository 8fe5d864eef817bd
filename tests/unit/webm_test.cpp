#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unistd.h>

#include "engine/webm/mapped_source.h"
#include "engine/webm/repair_header.h"
#include "engine/webm/scan_bytes.h"
#include "engine/webm/webm_scan.h"
#include "tests/unit/webm_fixtures.h"

namespace {

using namespace webm_fixture;

TEST(WebmScan, LiveRecordingNeedsRepair) {
    const WebmScan scan = Scan(LiveFile());
    EXPECT_TRUE(scan.isEbml);
    EXPECT_TRUE(scan.scanOk);
    EXPECT_FALSE(scan.hasCues);
    EXPECT_FALSE(scan.hasDuration);
    ASSERT_EQ(scan.clusters.size(), 3u);
    EXPECT_EQ(scan.clusters[2].timecode, 2000);
    EXPECT_EQ(scan.maxBlockOffset, 40);
    EXPECT_EQ(scan.videoTrack, 1u);
    EXPECT_EQ(scan.firstTrack, 2u);
    EXPECT_EQ(scan.ebmlStart, 0u);
    EXPECT_EQ(scan.ebmlSize, kEbmlHeader.size());
    EXPECT_TRUE(NeedsRepair(scan));
    EXPECT_DOUBLE_EQ(ScanDuration(scan), 2.04);
    ASSERT_EQ(scan.headElements.size(), 1u) << "SeekHead and Void dropped, Info parsed, Tracks kept";
    EXPECT_EQ(scan.headElements[0].second, kTracks.size());
}

TEST(WebmScan, StructureCases) {
    const Bytes knownCluster =
        Element(webm_id::kCluster,
                Cat({UInt(webm_id::kTimecode, 500), SimpleBlock(30),
                     Element(webm_id::kBlockGroup,
                             Cat({Element(0xFB, {1}), Element(webm_id::kBlock, {0x81, 0, 90, 0})}))}));
    const Bytes cues = Element(webm_id::kCues, {0xBB, 0x80});
    const Bytes tags = Element(0x1254C367, {0x73, 0x73, 0x80});
    const Bytes attachments = Element(0x1941A469, {0x61, 0xA7, 0x80});
    auto segment = [](const Bytes& body) { return Cat({kEbmlHeader, Element(webm_id::kSegment, body)}); };
    const struct {
        const char* name;
        Bytes file;
        bool scanOk;
        bool needsRepair;
        double duration;
        size_t headElements;
    } cases[] = {
        {"known sizes with Cues and Duration; the leading Cues are not kept",
         segment(Cat({Info(DoubleElement(webm_id::kDuration, 3000.0)), kTracks, cues, knownCluster})), true,
         false, 3.0, 1},
        {"2-byte Duration falls back to the clusters",
         segment(Cat({Info(Element(webm_id::kDuration, {0x12, 0x34})), knownCluster})), true, true, 0.59, 0},
        {"Tags and Attachments kept, trailing Cues only noted",
         segment(Cat({Info(), tags, attachments, knownCluster, cues})), true, true, 0.59, 2},
        {"cluster without Timecode", segment(Cat({Info(), Element(webm_id::kCluster, SimpleBlock(5))})), true,
         true, -1, 0},
        {"oversized Info child", segment(Cat({Info(Element(0x7BA9, Bytes(0x100000, 'a'))), knownCluster})),
         false, false, -1, 0},
        {"EBML magic then the end of the file", Bytes{0x1A, 0x45, 0xDF, 0xA3}, false, false, -1, 0},
        {"not EBML", Bytes{'R', 'I', 'F', 'F', 0, 0}, true, false, -1, 0},
        {"unknown-size element before the segment",
         Cat({kEbmlHeader, UnknownSizeHeader(0x1254C367), Element(webm_id::kSegment, knownCluster)}), false,
         false, -1, 0},
    };
    for (const auto& c : cases) {
        const WebmScan scan = Scan(c.file);
        EXPECT_EQ(scan.scanOk, c.scanOk) << c.name;
        EXPECT_EQ(NeedsRepair(scan), c.needsRepair) << c.name;
        EXPECT_NEAR(ScanDuration(scan), c.duration, 1e-9) << c.name;
        if (c.scanOk) {
            EXPECT_EQ(scan.headElements.size(), c.headElements) << c.name;
        }
    }
    const WebmScan trailing = Scan(segment(Cat({Info(), tags, knownCluster, cues})));
    EXPECT_TRUE(trailing.hasCues);
    const WebmScan twoBytes =
        Scan(segment(Cat({Info(Element(webm_id::kDuration, {0x12, 0x34})), knownCluster})));
    EXPECT_TRUE(twoBytes.hasDuration);
    EXPECT_EQ(twoBytes.durationTicks, -1);
}

TEST(WebmScan, SupersededScanStopsEarly) {
    const Bytes file = LiveFile(400); // far more than 256 elements
    std::int64_t current = 7;
    EXPECT_TRUE(Scan(file, &current, 7).scanOk);
    const WebmScan stale = Scan(file, &current, 6);
    EXPECT_FALSE(stale.scanOk);
    EXPECT_LE(stale.clusters.size(), 256u / 4 + 1) << "stopped at the first check";
}

// Known-size clusters holding audio and video blocks, keyframes as SimpleBlocks and in
// BlockGroups with and without references, and a trailing Cues.
Bytes MixedFile() {
    using enum Reference;
    const Bytes clusters = Cat({
        Element(webm_id::kCluster, Cat({UInt(webm_id::kTimecode, 0), SimpleBlockOf(2, 0, true),
                                        SimpleBlockOf(1, 5, true), SimpleBlockOf(1, 45, false)})),
        Element(webm_id::kCluster, Cat({UInt(webm_id::kTimecode, 1000), BlockGroupOf(1, 0, Before),
                                        BlockGroupOf(2, 20, None), BlockGroupOf(1, 40, None)})),
        Element(webm_id::kCluster, Cat({UInt(webm_id::kTimecode, 2000), SimpleBlockOf(2, -3, true),
                                        BlockGroupOf(1, 70, After)})),
    });
    return Cat({kEbmlHeader, UnknownSizeHeader(webm_id::kSegment), Info(), kTracks, clusters,
                Element(webm_id::kCues, {0xBB, 0x80})});
}

Bytes Prefix(const Bytes& bytes, std::size_t length) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

// A file in memory is parsed in place, any other source is read in blocks: both give the same
// record wherever a block ends (inside an ID, a size or a block header) and wherever the file
// is cut short.
TEST(WebmScan, BlockReadsAgreeWithParsingInPlace) {
    const std::size_t blockSizes[] = {ScanBytes::kMaxPeek, ScanBytes::kMaxPeek + 1, 45, 64, 4096};
    for (const Bytes& whole : {LiveFile(3), MixedFile()}) {
        for (std::size_t length = 0; length <= whole.size(); ++length) {
            MemorySource memory(Prefix(whole, length));
            WebmScan inPlace;
            ScanWebm(memory, inPlace, nullptr, 0);
            for (const std::size_t block : blockSizes) {
                CountingSource hidden(memory); // not in memory as far as the scan can tell
                WebmScan read;
                ScanWebmInBlocks(hidden, read, nullptr, 0, block);
                ASSERT_EQ(read, inPlace)
                    << "length " << length << " of " << whole.size() << ", block " << block;
                ASSERT_EQ(hidden.Reads() > 0, length > 0) << length;
            }
        }
    }
    EXPECT_EQ(Scan(MixedFile()).clusters.size(), 3u);
    EXPECT_TRUE(Scan(MixedFile()).scanOk);
}

// Blocks follow each other: apart from the few bytes a header straddling a block's end is read
// again with the next block, and the Info children that are copied, every byte is read once.
TEST(WebmScan, BlockReadsReadTheFileOnce) {
    const Bytes file = LiveFile(400);
    for (const std::size_t block : {std::size_t{64}, std::size_t{1000}, kScanBlockBytes}) {
        MemorySource memory(file);
        CountingSource counting(memory);
        WebmScan scan;
        ScanWebmInBlocks(counting, scan, nullptr, 0, block);
        ASSERT_TRUE(scan.scanOk) << block;
        EXPECT_GE(counting.BytesRead(), file.size()) << block;
        EXPECT_LE(counting.BytesRead(),
                  file.size() + counting.Reads() * ScanBytes::kMaxPeek + scan.infoChildren.size())
            << block;
    }
}

// A file on disk, mapped where it can be: the scan of the mapped file is the scan of its bytes.
TEST(WebmSource, FilesAreMappedWhereTheyCanBe) {
    const auto folder = std::filesystem::temp_directory_path() / ("jaskel-webm-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    auto write = [&](const char* name, const Bytes& bytes) {
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return folder / name;
    };
    const struct {
        const char* name;
        std::optional<Bytes> contents; // none: the file does not exist
        bool mapped;
        bool opens;
    } cases[] = {
        {"live recording", LiveFile(20), true, true},
        {"one byte", Bytes{0x1A}, true, true},
        {"empty: opened but not mapped", Bytes{}, false, true},
        {"missing", std::nullopt, false, false},
    };
    for (const auto& c : cases) {
        const auto path = c.contents ? write(c.name, *c.contents) : folder / c.name;
        MappedFileSource mapped(path);
        EXPECT_EQ(mapped.IsMapped(), c.mapped) << c.name;
        const auto opened = OpenFileSource(path);
        ASSERT_EQ(opened != nullptr, c.opens) << c.name;
        if (!opened)
            continue;
        EXPECT_EQ(opened->InMemory() != nullptr, c.mapped) << c.name;
        ASSERT_EQ(opened->Size(), c.contents->size()) << c.name;
        Bytes copy(c.contents->size() + 1);
        EXPECT_TRUE(opened->ReadAt(0, copy.data(), c.contents->size())) << c.name;
        EXPECT_TRUE(std::equal(c.contents->begin(), c.contents->end(), copy.begin())) << c.name;
        EXPECT_FALSE(opened->ReadAt(0, copy.data(), c.contents->size() + 1)) << c.name << ": past the end";
        WebmScan scan;
        ScanWebm(*opened, scan, nullptr, 0);
        EXPECT_EQ(scan, Scan(*c.contents)) << c.name;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

TEST(WebmRepair, Encodings) {
    const struct {
        std::uint64_t value;
        Bytes size;
    } sizes[] = {
        {126, {0xFE}}, {127, {0x40, 0x7F}}, {16382, {0x7F, 0xFE}}, {16383, {0x20, 0x3F, 0xFF}}, {0, {0x80}}};
    for (const auto& c : sizes) {
        Bytes out;
        WriteSizeVarint(out, c.value);
        EXPECT_EQ(out, c.size) << c.value;
    }
    const struct {
        std::uint64_t value;
        Bytes data;
    } uints[] = {{0, {0x81, 0x00}}, {256, {0x82, 0x01, 0x00}}, {255, {0x81, 0xFF}}};
    for (const auto& c : uints) {
        Bytes out;
        WriteUIntData(out, c.value);
        EXPECT_EQ(out, c.data) << c.value;
    }
}

TEST(WebmRepair, CuesSettleOnTheirOwnLength) {
    WebmScan scan;
    scan.isEbml = scan.scanOk = true;
    // Each cluster opens with a video keyframe.
    scan.clusters = {{1000, 0, 0, 0, true}, {5000, 2000, 0, 0, true}, {9000, 4000, 0, 0, true}};
    scan.firstClusterOffset = 1000;
    scan.videoTrack = 1;
    const auto first = BuildCues(scan, 300, 0);
    ASSERT_TRUE(first.has_value());
    const auto second = BuildCues(scan, 300, first->size());
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->size(), first->size()) << "the second pass confirms the length";
    const std::uint64_t c = second->size();
    std::vector<std::uint64_t> positions;
    for (const Cue& cue : ReadCues(*second))
        positions.push_back(cue.clusterPosition);
    EXPECT_EQ(positions, (std::vector<std::uint64_t>{300 + c, 4300 + c, 8300 + c}));
}

TEST(WebmRepair, HeadCarriesDurationCuesAndTheHeaderElements) {
    const Bytes file = LiveFile();
    MemorySource source(file);
    WebmScan scan;
    ScanWebm(source, scan, nullptr, 0);
    scan.clusters[1].timecode = -1; // a cluster whose Timecode was never seen
    scan.hasDuration = true;
    scan.durationTicks = 12345.0;
    const auto head = BuildRepairHeader(source, scan);
    ASSERT_TRUE(head.has_value());
    const Bytes duration = {0x44, 0x89, 0x88, 0x40, 0xC8, 0x1C, 0x80, 0x00, 0x00, 0x00, 0x00};
    EXPECT_NE(std::search(head->bytes.begin(), head->bytes.end(), duration.begin(), duration.end()),
              head->bytes.end());
    EXPECT_TRUE(std::equal(kEbmlHeader.begin(), kEbmlHeader.end(), head->bytes.begin()));
    const Bytes segment = {0x18, 0x53, 0x80, 0x67, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(std::equal(segment.begin(), segment.end(), head->bytes.begin() + kEbmlHeader.size()));
    EXPECT_NE(std::search(head->bytes.begin(), head->bytes.end(), kTracks.begin(), kTracks.end()),
              head->bytes.end());
    const Bytes seekHead = Element(webm_id::kSeekHead, {0x4D, 0xBB, 0x80});
    EXPECT_EQ(std::search(head->bytes.begin(), head->bytes.end(), seekHead.begin(), seekHead.end()),
              head->bytes.end());
    const Bytes cueTimeZero = {0xB3, 0x81, 0x00};
    EXPECT_NE(std::search(head->bytes.begin(), head->bytes.end(), cueTimeZero.begin(), cueTimeZero.end()),
              head->bytes.end());
    EXPECT_EQ(head->tailStart, scan.firstClusterOffset);
    EXPECT_EQ(head->tailEnd, file.size());
}

// The file really holds every byte the elements name (zeros past the live recording), so only
// the caps can refuse them, and they must do so before reading more than a head's worth.
TEST(WebmRepair, RefusesWhatItCannotBuild) {
    const Bytes file = LiveFile();
    SparseSource sparse(std::uint64_t{1} << 32);
    sparse.Put(0, file);
    const WebmScan scan = Scan(file);
    ASSERT_TRUE(BuildRepairHeader(sparse, scan).has_value());
    WebmScan noClusters = scan;
    noClusters.clusters.clear();
    WebmScan failed = scan;
    failed.scanOk = false;
    WebmScan tooLarge = scan;
    tooLarge.tooLarge = true;
    WebmScan hugeElement = scan;
    hugeElement.headElements.push_back({0, kMaxCopiedElementBytes + 1});
    WebmScan manyElements = scan; // each element below the cap, together above it
    for (int i = 0; i < 100; ++i)
        manyElements.headElements.push_back({file.size() + i * 0x100000, 0x100000});
    WebmScan pastTheEnd = scan;
    pastTheEnd.headElements.push_back({sparse.Size() - 10, 20});
    const struct {
        const char* name;
        const WebmScan& scan;
    } cases[] = {{"no clusters", noClusters},     {"failed scan", failed},
                 {"too large", tooLarge},         {"huge element", hugeElement},
                 {"many elements", manyElements}, {"past the end", pastTheEnd}};
    for (const auto& c : cases) {
        CountingSource counting(sparse);
        EXPECT_FALSE(BuildRepairHeader(counting, c.scan).has_value()) << c.name;
        EXPECT_LE(counting.BytesRead(), kMaxRepairHeadBytes) << c.name;
    }
}

TEST(WebmRepair, PresentedReadsMapHeadAndTail) {
    const struct {
        const char* name;
        std::uint64_t position, count;
        PresentedRead expected;
    } cases[] = {
        {"inside the head", 10, 20, {20, 0, 1000 + 0}},
        {"across the boundary", 90, 30, {10, 20, 1000}},
        {"inside the tail", 150, 10, {0, 10, 1050}},
        {"cut at the end", 590, 50, {0, 10, 1490}},
        {"at the end", 600, 10, {0, 0, 0}},
        {"beyond the end", 5000, 10, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        const PresentedRead r = PlanPresentedRead(100, 1000, 500, c.position, c.count);
        EXPECT_EQ(r.headBytes, c.expected.headBytes) << c.name;
        EXPECT_EQ(r.tailBytes, c.expected.tailBytes) << c.name;
        if (r.tailBytes > 0) {
            EXPECT_EQ(r.fileOffset, c.expected.fileOffset) << c.name;
        }
    }
}

} // namespace
