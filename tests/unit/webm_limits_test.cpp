// Hostile files: whatever sizes, counts and numbers a file declares, the scan and the head build
// stay within their bounds, never wrap a number and never let an exception out.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/webm/repair_header.h"
#include "engine/webm/webm_scan.h"
#include "tests/unit/webm_fixtures.h"

namespace {

using namespace webm_fixture;

constexpr std::uint64_t kInt64Max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
constexpr std::uint64_t kMiB = 0x100000;
constexpr std::uint64_t kScanWindow = kScanBlockBytes; // what the scan may read ahead

const Bytes kLivePrefix = Cat({kEbmlHeader, UnknownSizeHeader(webm_id::kSegment), Info(), kTracks});

Bytes KnownCluster(std::uint64_t timecode, std::int16_t block) {
    return Element(webm_id::kCluster, Cat({UInt(webm_id::kTimecode, timecode), SimpleBlock(block)}));
}

TEST(WebmLimits, ElementIdsAreAtMostFourBytes) {
    const Bytes infoPayload =
        Cat({UInt(webm_id::kTimecodeScale, 1000000), DoubleElement(webm_id::kDuration, 3000.0)});
    const Bytes cluster = KnownCluster(500, 0);
    auto withInfoId = [&](const Bytes& id) {
        return Cat({kEbmlHeader, UnknownSizeHeader(webm_id::kSegment), RawElement(id, infoPayload), kTracks,
                    cluster});
    };
    const struct {
        const char* name;
        Bytes file;
        bool scanOk;
    } cases[] = {
        {"Info's own ID", withInfoId({0x15, 0x49, 0xA9, 0x66}), true},
        {"five bytes ending in Info's ID", withInfoId({0x08, 0x15, 0x49, 0xA9, 0x66}), false},
        {"eight bytes ending in Info's ID", withInfoId({0x01, 0x00, 0x00, 0x00, 0x15, 0x49, 0xA9, 0x66}),
         false},
        {"five bytes ending in the Segment's ID",
         Cat({kEbmlHeader, RawElement({0x08, 0x18, 0x53, 0x80, 0x67},
                                      Cat({Info(DoubleElement(webm_id::kDuration, 3000.0)), cluster}))}),
         false},
        {"five bytes ending in the Timecode's ID, inside a cluster",
         Cat({kLivePrefix, Element(webm_id::kCluster, Cat({UInt(webm_id::kTimecode, 0),
                                                           RawElement({0x08, 0, 0, 0, 0xE7}, {1})}))}),
         false},
    };
    for (const auto& c : cases) {
        const WebmScan scan = Scan(c.file);
        EXPECT_EQ(scan.scanOk, c.scanOk) << c.name;
        EXPECT_FALSE(!c.scanOk && NeedsRepair(scan)) << c.name;
        if (c.scanOk) {
            EXPECT_TRUE(scan.hasDuration) << c.name;
            EXPECT_NEAR(ScanDuration(scan), 3.0, 1e-9) << c.name;
        } else {
            EXPECT_FALSE(scan.hasDuration) << c.name << ": nothing posed as Info";
            EXPECT_TRUE(scan.clusters.empty() || scan.clusters.back().timecode == 0) << c.name;
        }
    }
}

TEST(WebmLimits, TimecodesNeverWrap) {
    const struct {
        const char* name;
        std::uint64_t timecode;
        std::int16_t block;
        bool scanOk;
    } cases[] = {
        {"the largest timecode", kInt64Max, 0, true},
        {"just below it, a block 100 ticks later", kInt64Max - 1, 100, true},
        {"one past it", kInt64Max + 1, 0, false},
        {"every bit set", ~std::uint64_t{0}, 0, false},
    };
    for (const auto& c : cases) {
        const Bytes file = Cat({kLivePrefix, KnownCluster(0, 0), KnownCluster(c.timecode, c.block)});
        MemorySource source(file);
        const WebmScan scan = Scan(source);
        ASSERT_EQ(scan.scanOk, c.scanOk) << c.name;
        const auto head = BuildRepairHeader(source, scan);
        if (!c.scanOk) {
            EXPECT_FALSE(head.has_value()) << c.name;
            continue;
        }
        const double ticks = static_cast<double>(c.timecode) + c.block;
        EXPECT_TRUE(std::isfinite(ScanDuration(scan))) << c.name;
        EXPECT_DOUBLE_EQ(ScanDuration(scan), ticks / 1000) << c.name;
        ASSERT_TRUE(head.has_value()) << c.name;
        const auto duration = HeadDuration(*head, scan);
        ASSERT_TRUE(duration.has_value()) << c.name;
        EXPECT_DOUBLE_EQ(*duration, ticks) << c.name;
        const auto cues = HeadCues(*head, scan);
        ASSERT_EQ(cues.size(), 2u) << c.name;
        EXPECT_EQ(cues[1].time, c.timecode + c.block) << c.name << ": no wrap past INT64_MAX";
    }
}

TEST(WebmLimits, DeclaredDurationIsUsedOnlyWhenFiniteAndPositive) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        Bytes duration;
        double ticks; // the Duration the head declares
    } cases[] = {
        {"3000 ticks", DoubleElement(webm_id::kDuration, 3000.0), 3000},
        {"float 2500 ticks", FloatElement(webm_id::kDuration, 2500.0f), 2500},
        {"NaN", DoubleElement(webm_id::kDuration, nan), 590},
        {"+inf", DoubleElement(webm_id::kDuration, inf), 590},
        {"-inf", DoubleElement(webm_id::kDuration, -inf), 590},
        {"float +inf", FloatElement(webm_id::kDuration, static_cast<float>(inf)), 590},
        {"float NaN", FloatElement(webm_id::kDuration, static_cast<float>(nan)), 590},
        {"zero", DoubleElement(webm_id::kDuration, 0.0), 590},
        {"negative", DoubleElement(webm_id::kDuration, -5.0), 590},
    };
    for (const auto& c : cases) {
        const Bytes file = Cat({kEbmlHeader, UnknownSizeHeader(webm_id::kSegment), Info(c.duration), kTracks,
                                KnownCluster(500, 90)});
        MemorySource source(file);
        const WebmScan scan = Scan(source);
        ASSERT_TRUE(scan.scanOk) << c.name;
        EXPECT_TRUE(scan.hasDuration) << c.name;
        EXPECT_TRUE(NeedsRepair(scan)) << c.name << ": no Cues";
        EXPECT_DOUBLE_EQ(ScanDuration(scan), c.ticks / 1000) << c.name;
        const auto head = BuildRepairHeader(source, scan);
        ASSERT_TRUE(head.has_value()) << c.name;
        EXPECT_EQ(HeadDuration(*head, scan), c.ticks) << c.name;
    }
    // A record made elsewhere may carry any number; the same rule applies to it.
    const Bytes file = Cat({kLivePrefix, KnownCluster(500, 90)});
    MemorySource source(file);
    for (const double declared : {nan, inf, -inf, 0.0, -5.0}) {
        WebmScan scan = Scan(source);
        scan.hasDuration = true;
        scan.durationTicks = declared;
        EXPECT_DOUBLE_EQ(ScanDuration(scan), 0.59) << declared;
        const auto head = BuildRepairHeader(source, scan);
        ASSERT_TRUE(head.has_value()) << declared;
        EXPECT_EQ(HeadDuration(*head, scan), 590.0) << declared;
    }
}

// Twenty million empty clusters (100 MB) are generated as they are read, so the test stores
// nothing large; the bytes read show where the scan stopped.
TEST(WebmLimits, ClusterCountIsCapped) {
    const Bytes emptyCluster = {0x1F, 0x43, 0xB6, 0x75, 0x80};
    const struct {
        std::uint64_t clusters;
        bool scanOk;
    } cases[] = {{kMaxScanClusters, true}, {kMaxScanClusters + 1, false}, {20000000, false}};
    for (const auto& c : cases) {
        RepeatSource generated(kLivePrefix, emptyCluster, c.clusters);
        CountingSource counting(generated);
        const WebmScan scan = Scan(counting);
        EXPECT_EQ(scan.scanOk, c.scanOk) << c.clusters;
        EXPECT_EQ(scan.tooLarge, !c.scanOk) << c.clusters;
        EXPECT_EQ(scan.clusters.size(), std::min<std::uint64_t>(c.clusters, kMaxScanClusters)) << c.clusters;
        EXPECT_LE(counting.BytesRead(),
                  kLivePrefix.size() + (kMaxScanClusters + 1) * emptyCluster.size() + 2 * kScanWindow)
            << c.clusters;
        EXPECT_EQ(NeedsRepair(scan), c.scanOk) << c.clusters;
        EXPECT_EQ(BuildRepairHeader(generated, scan).has_value(), c.scanOk) << c.clusters;
    }
}

// Lays out a file: pieces written at their places, zeros (not stored) where a gap is asked for.
class SparseFile {
  public:
    SparseFile& Add(const Bytes& bytes) {
        pieces_.emplace_back(size_, bytes);
        size_ += bytes.size();
        return *this;
    }
    SparseFile& Gap(std::uint64_t n) {
        size_ += n;
        return *this;
    }
    SparseSource Source() const {
        SparseSource source(size_);
        for (const auto& [at, bytes] : pieces_)
            source.Put(at, bytes);
        return source;
    }

  private:
    std::uint64_t size_ = 0;
    std::vector<std::pair<std::uint64_t, Bytes>> pieces_;
};

TEST(WebmLimits, HeadElementsAreCapped) {
    const std::uint32_t kTags = 0x1254C367;
    auto manyTags = [&](int count) {
        SparseFile file;
        file.Add(Cat({kEbmlHeader, UnknownSizeHeader(webm_id::kSegment), Info()}));
        for (int i = 0; i < count; ++i)
            file.Add(Element(kTags, {}));
        return file.Add(KnownCluster(500, 90));
    };
    auto largeTags = [&](std::initializer_list<std::uint64_t> lengths) {
        SparseFile file;
        file.Add(Cat({kEbmlHeader, UnknownSizeHeader(webm_id::kSegment), Info()}));
        for (const std::uint64_t length : lengths) {
            const Bytes header = HeaderOnly(kTags, length - 8);
            EXPECT_EQ(header.size(), 8u);
            file.Add(header).Gap(length - 8);
        }
        return file.Add(KnownCluster(500, 90));
    };
    const struct {
        const char* name;
        SparseFile file;
        bool tooLarge;
        size_t recorded;
    } cases[] = {
        {"as many elements as allowed", manyTags(kMaxHeadElements), false, kMaxHeadElements},
        {"one element more", manyTags(kMaxHeadElements + 1), true, kMaxHeadElements},
        {"one element of the whole head's size", largeTags({kMaxRepairHeadBytes}), false, 1},
        {"two elements together larger than a head", largeTags({40 * kMiB, 40 * kMiB}), true, 1},
        {"one element larger than a head", largeTags({kMaxRepairHeadBytes + 1}), true, 0},
    };
    for (const auto& c : cases) {
        SparseSource source = c.file.Source();
        const WebmScan scan = Scan(source);
        EXPECT_TRUE(scan.scanOk) << c.name;
        EXPECT_EQ(scan.tooLarge, c.tooLarge) << c.name;
        EXPECT_EQ(scan.headElements.size(), c.recorded) << c.name;
        EXPECT_EQ(scan.clusters.size(), 1u) << c.name << ": the scan goes on past the head";
        EXPECT_DOUBLE_EQ(ScanDuration(scan), 0.59) << c.name;
        EXPECT_EQ(NeedsRepair(scan), !c.tooLarge) << c.name;
        if (c.tooLarge) {
            EXPECT_FALSE(BuildRepairHeader(source, scan).has_value()) << c.name;
        }
    }
}

TEST(WebmLimits, InfoChildrenAreCapped) {
    const Bytes childHeader = HeaderOnly(0x7BA9, kMaxInfoChildBytes - 5); // a Title of 1 MiB in all
    ASSERT_EQ(childHeader.size(), 5u);
    const struct {
        std::uint64_t children;
        bool scanOk;
    } cases[] = {{kMaxRepairHeadBytes / kMaxInfoChildBytes, true},
                 {kMaxRepairHeadBytes / kMaxInfoChildBytes + 1, false}};
    for (const auto& c : cases) {
        SparseFile file;
        file.Add(Cat({kEbmlHeader, UnknownSizeHeader(webm_id::kSegment),
                      HeaderOnly(webm_id::kInfo, c.children * kMaxInfoChildBytes)}));
        for (std::uint64_t i = 0; i < c.children; ++i)
            file.Add(childHeader).Gap(kMaxInfoChildBytes - 5);
        file.Add(KnownCluster(500, 90));
        SparseSource source = file.Source();
        const WebmScan scan = Scan(source);
        EXPECT_EQ(scan.scanOk, c.scanOk) << c.children;
        EXPECT_LE(scan.infoChildren.size(), kMaxRepairHeadBytes) << c.children;
    }
}

// A record with more clusters than any scan keeps, each cue as long as a cue gets: the Cues
// would pass the head's cap, and the build stops right after passing it.
TEST(WebmLimits, CuesStopAtTheHeadCap) {
    constexpr std::uint64_t kPointBytes = 36;
    WebmScan scan;
    scan.isEbml = scan.scanOk = true;
    scan.ebmlSize = kEbmlHeader.size();
    scan.videoTrack = 0xFFFFFFF0;
    scan.firstClusterOffset = kEbmlHeader.size() + 12;
    const std::size_t count = kMaxRepairHeadBytes / kPointBytes + 1000;
    scan.clusters.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t offset = (std::uint64_t{1} << 60) + i * 4096;
        scan.clusters.push_back(
            {offset, (std::int64_t{1} << 62) + static_cast<std::int64_t>(i), 0x10000000, 0, false});
    }
    scan.clusters[0].offset = scan.firstClusterOffset;
    const std::uint64_t base = std::uint64_t{1} << 60;
    std::size_t written = 0;
    EXPECT_FALSE(BuildCues(scan, base, 0, &written).has_value());
    EXPECT_LT(written, scan.clusters.size());
    EXPECT_GT(written * kPointBytes, kMaxRepairHeadBytes);
    EXPECT_LE(written * kPointBytes, kMaxRepairHeadBytes + kPointBytes);
    MemorySource source(kEbmlHeader);
    EXPECT_FALSE(BuildRepairHeader(source, scan).has_value());

    scan.clusters.resize(kMaxRepairHeadBytes / kPointBytes - 1000);
    const auto cues = BuildCues(scan, base, 0, &written);
    ASSERT_TRUE(cues.has_value()) << "just below the cap";
    EXPECT_EQ(written, scan.clusters.size());
    EXPECT_LE(cues->size(), kMaxRepairHeadBytes);
}

// An allocation failing anywhere inside the scan or the head build ends it without a record.
TEST(WebmLimits, AllocationFailuresStayInside) {
    MemorySource memory(LiveFile());
    CountingSource scanProbe(memory);
    const WebmScan good = Scan(scanProbe);
    CountingSource buildProbe(memory);
    ASSERT_TRUE(BuildRepairHeader(buildProbe, good).has_value());
    ASSERT_GT(scanProbe.Reads(), 0u);
    ASSERT_GT(buildProbe.Reads(), 0u);
    for (std::uint64_t failAt = 0; failAt < scanProbe.Reads(); ++failAt) {
        CountingSource failing(memory, failAt);
        WebmScan scan;
        bool ok = true;
        EXPECT_NO_THROW(ok = ScanWebm(failing, scan, nullptr, 0)) << failAt;
        EXPECT_FALSE(ok) << failAt;
        EXPECT_FALSE(scan.scanOk) << failAt;
    }
    for (std::uint64_t failAt = 0; failAt < buildProbe.Reads(); ++failAt) {
        CountingSource failing(memory, failAt);
        std::optional<RepairHead> head;
        EXPECT_NO_THROW(head = BuildRepairHeader(failing, good)) << failAt;
        EXPECT_FALSE(head.has_value()) << failAt;
    }
}

} // namespace
