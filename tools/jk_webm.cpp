// jk-webm: shows what the player's WebM scan finds in a file and writes the repaired stream the
// player would present, so that a repair can be checked with other tools. Besides one
// "name: value" line per field, the scan prints "cluster OFFSET TIMECODE" per cluster and
// "keyframe CLUSTER_OFFSET POSITION TIME FIRST" per cluster holding a video keyframe (POSITION
// from the cluster's data start, TIME in ticks, FIRST 1 when it is the cluster's first block).
//   jk-webm scan FILE
//   jk-webm repair IN OUT
// Exit codes: 0 done, 1 no repair needed (nothing written), 2 not EBML, the scan failed or the
// file is too large to repair, 3 an I/O error.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/webm/mapped_source.h"
#include "engine/webm/repair_header.h"
#include "engine/webm/webm_scan.h"

namespace {

enum ExitCode { kDone = 0, kNoRepairNeeded = 1, kNotScannable = 2, kIoError = 3, kUsage = 64 };

std::filesystem::path PathOf(const char* utf8) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8)));
}

void PrintScan(const WebmScan& s) {
    std::printf("isEbml: %d\nscanOk: %d\ntooLarge: %d\nfileSize: %" PRIu64 "\nebmlStart: %" PRIu64
                "\nebmlSize: %" PRIu64 "\n",
                s.isEbml, s.scanOk, s.tooLarge, s.fileSize, s.ebmlStart, s.ebmlSize);
    std::printf("timecodeScale: %" PRIu64 "\nhasDuration: %d\nhasCues: %d\ndurationTicks: %.17g\n",
                s.timecodeScale, s.hasDuration, s.hasCues, s.durationTicks);
    std::printf("infoChildren: %zu\nfirstClusterOffset: %" PRIu64 "\ntailEnd: %" PRIu64
                "\nmaxBlockOffset: %d\n",
                s.infoChildren.size(), s.firstClusterOffset, s.tailEnd, s.maxBlockOffset);
    std::printf("videoTrack: %u\nfirstTrack: %u\nclusterCount: %zu\n", s.videoTrack, s.firstTrack,
                s.clusters.size());
    for (const auto& [offset, length] : s.headElements)
        std::printf("headElement %" PRIu64 " %" PRIu64 "\n", offset, length);
    for (const auto& c : s.clusters)
        std::printf("cluster %" PRIu64 " %" PRId64 "\n", c.offset, c.timecode);
    for (const auto& c : s.clusters) {
        if (c.keyPosition != kNoKeyframe)
            std::printf("keyframe %" PRIu64 " %" PRIu32 " %" PRIu64 " %d\n", c.offset, c.keyPosition,
                        KeyframeTime(c), c.keyIsFirstBlock);
    }
    std::printf("needsRepair: %d\nscanDuration: %.6f\n", NeedsRepair(s), ScanDuration(s));
}

int Scan(const char* file) {
    const auto source = OpenFileSource(PathOf(file));
    if (!source) {
        std::fprintf(stderr, "jk-webm: cannot open %s\n", file);
        return kIoError;
    }
    WebmScan scan;
    ScanWebm(*source, scan, nullptr, 0);
    PrintScan(scan);
    return scan.isEbml && scan.scanOk ? kDone : kNotScannable;
}

bool CopyTail(ByteSource& source, std::ofstream& out, std::uint64_t start, std::uint64_t end) {
    std::string buffer(1 << 20, '\0');
    for (std::uint64_t at = start; at < end;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), end - at));
        if (!source.ReadAt(at, buffer.data(), n) ||
            !out.write(buffer.data(), static_cast<std::streamsize>(n)))
            return false;
        at += n;
    }
    return true;
}

const char* Refusal(const WebmScan& scan) {
    if (!scan.isEbml)
        return "not an EBML file";
    if (scan.tooLarge)
        return "too large to repair: more clusters or header elements than a repaired head may hold";
    return "the scan failed";
}

int Repair(const char* in, const char* outPath) {
    const auto opened = OpenFileSource(PathOf(in));
    if (!opened) {
        std::fprintf(stderr, "jk-webm: cannot open %s\n", in);
        return kIoError;
    }
    ByteSource& source = *opened;
    WebmScan scan;
    ScanWebm(source, scan, nullptr, 0);
    if (!scan.isEbml || !scan.scanOk || scan.tooLarge) {
        std::fprintf(stderr, "jk-webm: %s\n", Refusal(scan));
        return kNotScannable;
    }
    if (!NeedsRepair(scan)) {
        std::printf("no repair needed: %s\n",
                    scan.clusters.empty() ? "no clusters" : "the file has Cues and a Duration");
        return kNoRepairNeeded;
    }
    const auto head = BuildRepairHeader(source, scan);
    if (!head) {
        std::fprintf(stderr, "jk-webm: the repaired head could not be built\n");
        return kNotScannable;
    }
    std::ofstream out(PathOf(outPath), std::ios::binary | std::ios::trunc);
    if (!out ||
        !out.write(reinterpret_cast<const char*>(head->bytes.data()),
                   static_cast<std::streamsize>(head->bytes.size())) ||
        !CopyTail(source, out, head->tailStart, head->tailEnd) || !out.flush()) {
        std::fprintf(stderr, "jk-webm: cannot write %s\n", outPath);
        return kIoError;
    }
    return kDone;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "scan") == 0)
        return Scan(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "repair") == 0)
        return Repair(argv[2], argv[3]);
    std::fprintf(stderr, "usage: jk-webm scan FILE | jk-webm repair IN OUT\n");
    return kUsage;
}
