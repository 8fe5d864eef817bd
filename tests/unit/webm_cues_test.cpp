// The repaired head's Cues: with a video track they point at each cluster's first keyframe of
// it, so that a seek starts decoding where it can; without one at every cluster. Stale indexes
// of the file are left out of the presented stream.
#include <gtest/gtest.h>

#include <string>

#include "engine/webm/repair_header.h"
#include "engine/webm/webm_scan.h"
#include "tests/unit/webm_fixtures.h"

namespace {

using namespace webm_fixture;

struct ClusterSpec {
    std::uint64_t timecode;
    std::vector<Bytes> blocks;
};

struct FileLayout {
    bool unknownSizeClusters = false;
    bool knownSizeSegment = false;
    Bytes tracks = kTracks;
    Bytes info = Info();
    Bytes beforeClusters;
    Bytes afterClusters;
    Bytes afterSegment;
};

// A file with its cluster offsets and, per cluster, each block's position from the cluster's data
// start, worked out while writing it.
struct BuiltFile {
    Bytes bytes;
    std::vector<std::uint64_t> clusterOffsets;
    std::vector<std::vector<std::uint64_t>> blockPositions;
    std::uint64_t afterClustersOffset = 0;
};

BuiltFile BuildFile(const std::vector<ClusterSpec>& clusters, const FileLayout& layout = {}) {
    BuiltFile built;
    Bytes segment = Cat({layout.info, layout.tracks, layout.beforeClusters});
    std::vector<std::uint64_t> inSegment;
    for (const auto& cluster : clusters) {
        Bytes children = UInt(webm_id::kTimecode, cluster.timecode);
        std::vector<std::uint64_t> positions;
        for (const auto& block : cluster.blocks) {
            positions.push_back(children.size());
            children = Cat({children, block});
        }
        const Bytes header = layout.unknownSizeClusters ? UnknownSizeHeader(webm_id::kCluster)
                                                        : HeaderOnly(webm_id::kCluster, children.size());
        inSegment.push_back(segment.size());
        built.blockPositions.push_back(positions);
        segment = Cat({segment, header, children});
    }
    const std::uint64_t afterInSegment = segment.size();
    segment = Cat({segment, layout.afterClusters});
    const Bytes segmentHeader = layout.knownSizeSegment ? HeaderOnly(webm_id::kSegment, segment.size())
                                                        : UnknownSizeHeader(webm_id::kSegment);
    const std::uint64_t base = kEbmlHeader.size() + segmentHeader.size();
    for (const std::uint64_t at : inSegment)
        built.clusterOffsets.push_back(base + at);
    built.afterClustersOffset = base + afterInSegment;
    built.bytes = Cat({kEbmlHeader, segmentHeader, segment, layout.afterSegment});
    return built;
}

Bytes V(std::int16_t relative, bool key) {
    return SimpleBlockOf(1, relative, key);
}
Bytes A(std::int16_t relative) {
    return SimpleBlockOf(2, relative, true);
}
Bytes G(std::int16_t relative, Reference reference) {
    return BlockGroupOf(1, relative, reference);
}

constexpr int kNoBlock = -1;

struct ExpectedCue {
    int cluster;
    std::uint64_t time;
    int relativeBlock; // the block the cue's relative position names, kNoBlock when absent
};

struct Repaired {
    WebmScan scan;
    std::optional<RepairHead> head;
    std::vector<Cue> cues;
};

Repaired Repair(const BuiltFile& file) {
    MemorySource source(file.bytes);
    Repaired r;
    r.scan = Scan(source);
    r.head = BuildRepairHeader(source, r.scan);
    if (r.head)
        r.cues = HeadCues(*r.head, r.scan);
    return r;
}

void ExpectCues(const BuiltFile& file, const Repaired& r, const std::vector<ExpectedCue>& expected,
                std::uint64_t track, const std::string& name) {
    ASSERT_TRUE(r.head.has_value()) << name;
    ASSERT_EQ(r.cues.size(), expected.size()) << name;
    for (size_t i = 0; i < expected.size(); ++i) {
        const Cue& cue = r.cues[i];
        const ExpectedCue& e = expected[i];
        EXPECT_EQ(cue.time, e.time) << name << " cue " << i;
        EXPECT_EQ(cue.track, track) << name << " cue " << i;
        EXPECT_EQ(CueFileOffset(*r.head, r.scan, cue), file.clusterOffsets[e.cluster])
            << name << " cue " << i;
        const std::optional<std::uint64_t> relative =
            e.relativeBlock == kNoBlock
                ? std::nullopt
                : std::optional<std::uint64_t>(file.blockPositions[e.cluster][e.relativeBlock]);
        EXPECT_EQ(cue.relative, relative) << name << " cue " << i;
    }
}

TEST(WebmCues, PointAtTheFirstVideoKeyframeOfEachCluster) {
    const struct {
        const char* name;
        std::vector<ClusterSpec> clusters;
        std::vector<ExpectedCue> expected;
    } cases[] = {
        {"keyframes open the clusters",
         {{0, {V(0, true), V(40, false)}}, {1000, {V(0, true), A(10)}}},
         {{0, 0, kNoBlock}, {1, 1000, kNoBlock}}},
        {"audio blocks before the keyframe",
         {{0, {A(0), V(0, true)}}, {1000, {A(0), A(20), V(30, true), V(70, true)}}},
         {{0, 0, 1}, {1, 1030, 2}}},
        {"clusters opening on non-key frames",
         {{0, {V(0, true)}},
          {1000, {V(0, false), V(40, false)}},
          {2000, {V(0, false), V(40, true), V(80, false)}}},
         {{0, 0, kNoBlock}, {2, 2040, 1}}},
        {"BlockGroups: a ReferenceBlock before or after the Block makes it a delta frame",
         {{0, {G(0, Reference::None)}},
          {1000, {G(0, Reference::After), G(40, Reference::None)}},
          {2000, {G(0, Reference::Before), V(40, false)}}},
         {{0, 0, kNoBlock}, {1, 1040, 1}}},
        {"keyframes of another track ignored",
         {{0, {A(0), V(0, false)}}, {1000, {A(0), V(20, true)}}, {2000, {A(0), A(30)}}},
         {{1, 1020, 1}}},
        {"no keyframe at all: the first cluster stands for the start",
         {{500, {V(0, false), A(0)}}, {1000, {V(0, false)}}},
         {{0, 500, kNoBlock}}},
        {"block times before their cluster's, never below 0",
         {{0, {V(-20, true)}}, {1000, {A(0), V(-30, true)}}},
         {{0, 0, kNoBlock}, {1, 970, 1}}},
    };
    for (const bool unknownSize : {false, true}) {
        for (const auto& c : cases) {
            FileLayout layout;
            layout.unknownSizeClusters = unknownSize;
            const BuiltFile file = BuildFile(c.clusters, layout);
            const Repaired r = Repair(file);
            EXPECT_EQ(r.scan.videoTrack, 1u);
            ExpectCues(file, r, c.expected, 1,
                       std::string(c.name) + (unknownSize ? ", unknown-size clusters" : ""));
        }
    }
}

TEST(WebmCues, ScanRecordsTheKeyframe) {
    const BuiltFile file =
        BuildFile({{0, {A(0), G(0, Reference::Before), G(25, Reference::None), V(50, true)}},
                   {1000, {V(5, true)}},
                   {2000, {V(0, false)}}});
    const WebmScan scan = Scan(file.bytes);
    ASSERT_EQ(scan.clusters.size(), 3u);
    const struct {
        std::uint32_t position;
        std::int16_t timecode;
        bool first;
    } expected[] = {{static_cast<std::uint32_t>(file.blockPositions[0][2]), 25, false},
                    {static_cast<std::uint32_t>(file.blockPositions[1][0]), 5, true},
                    {kNoKeyframe, 0, false}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(scan.clusters[i].keyPosition, expected[i].position) << i;
        EXPECT_EQ(scan.clusters[i].keyTimecode, expected[i].timecode) << i;
        EXPECT_EQ(scan.clusters[i].keyIsFirstBlock, expected[i].first) << i;
    }
    EXPECT_EQ(KeyframeTime(scan.clusters[0]), 25u);
    EXPECT_EQ(KeyframeTime(scan.clusters[1]), 1005u);
}

TEST(WebmCues, AudioOnlyFilesIndexEveryCluster) {
    FileLayout layout;
    layout.tracks = kAudioTracks;
    const auto audio = [](std::int16_t relative) { return SimpleBlockOf(1, relative, true); };
    const BuiltFile file =
        BuildFile({{0, {audio(0), audio(20)}}, {1000, {audio(0)}}, {2000, {audio(0)}}}, layout);
    const Repaired r = Repair(file);
    EXPECT_EQ(r.scan.videoTrack, 0u);
    ExpectCues(file, r, {{0, 0, kNoBlock}, {1, 1000, kNoBlock}, {2, 2000, kNoBlock}}, 1, "audio only");
}

TEST(WebmCues, OtherTimecodeScale) {
    FileLayout layout;
    layout.info = Info({}, 100000); // ticks of 100 microseconds
    const BuiltFile file = BuildFile(
        {{0, {V(0, true), V(400, false)}}, {10000, {V(0, true)}}, {20000, {V(0, true), V(40, false)}}},
        layout);
    const Repaired r = Repair(file);
    EXPECT_EQ(r.scan.timecodeScale, 100000u);
    EXPECT_DOUBLE_EQ(ScanDuration(r.scan), 2.004);
    ExpectCues(file, r, {{0, 0, kNoBlock}, {1, 10000, kNoBlock}, {2, 20000, kNoBlock}}, 1, "timecode scale");
    ASSERT_TRUE(r.head.has_value());
    EXPECT_EQ(HeadDuration(*r.head, r.scan), 20040.0);
    const Bytes scale = UInt(webm_id::kTimecodeScale, 100000);
    EXPECT_NE(std::search(r.head->bytes.begin(), r.head->bytes.end(), scale.begin(), scale.end()),
              r.head->bytes.end());
}

TEST(WebmCues, StaleIndexesAreLeftOut) {
    const Bytes cues =
        Element(webm_id::kCues,
                Element(0xBB, Cat({UInt(0xB3, 0), Element(0xB7, Cat({UInt(0xF7, 1), UInt(0xF1, 77)}))})));
    const Bytes seekHead =
        Element(webm_id::kSeekHead,
                Element(0x4DBB, Cat({Element(0x53AB, {0x1C, 0x53, 0xBB, 0x6B}), UInt(0x53AC, 9999)})));
    const Bytes voidElement = Element(webm_id::kVoid, {0, 0, 0});
    const Bytes tags = Element(0x1254C367, {0x73, 0x73, 0x80});
    enum class End { FileSize, AfterClusters };
    const struct {
        const char* name;
        FileLayout layout;
        End tailEnd;
    } cases[] = {
        {"Cues before the clusters", {.beforeClusters = cues}, End::FileSize},
        {"Cues closing the file", {.afterClusters = cues}, End::AfterClusters},
        {"Cues, SeekHead and Void closing the file",
         {.afterClusters = Cat({cues, seekHead, voidElement})},
         End::AfterClusters},
        {"Cues then Tags", {.afterClusters = Cat({cues, tags})}, End::FileSize},
        {"Cues closing a known-size segment at the file's end",
         {.knownSizeSegment = true, .afterClusters = cues},
         End::AfterClusters},
        {"Cues closing a known-size segment, more after it",
         {.knownSizeSegment = true, .afterClusters = cues, .afterSegment = voidElement},
         End::FileSize},
    };
    for (const auto& c : cases) {
        const BuiltFile file = BuildFile({{0, {V(0, true)}}, {1000, {A(0), V(0, true)}}}, c.layout);
        const Repaired r = Repair(file);
        EXPECT_TRUE(r.scan.hasCues) << c.name;
        EXPECT_TRUE(NeedsRepair(r.scan)) << c.name << ": no Duration";
        ExpectCues(file, r, {{0, 0, kNoBlock}, {1, 1000, 1}}, 1, c.name);
        ASSERT_TRUE(r.head.has_value()) << c.name;
        EXPECT_EQ(std::search(r.head->bytes.begin(), r.head->bytes.end(), cues.begin(), cues.end()),
                  r.head->bytes.end())
            << c.name << ": the file's own Cues are not copied";
        const std::uint64_t end = c.tailEnd == End::FileSize ? file.bytes.size() : file.afterClustersOffset;
        EXPECT_EQ(r.scan.tailEnd, end) << c.name;
        EXPECT_EQ(r.head->tailEnd, end) << c.name;
        EXPECT_EQ(r.head->tailStart, file.clusterOffsets[0]) << c.name;
    }
}

} // namespace
