// The WebM scan of a one-hour live recording (scripts/bench.sh makes it and names it in
// JK_BENCH_WEBM), warm cache; and the refusal of a hostile file of twenty million empty clusters,
// with the peak heap it takes (goal: refused within 1 s and 64 MB).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "engine/webm/file_source.h"
#include "engine/webm/mapped_source.h"
#include "engine/webm/repair_header.h"
#include "engine/webm/webm_scan.h"

namespace {

// Heap in use and its peak, kept by the replaced global allocation functions below, so that a
// benchmark can tell the most memory its work held at once.
std::atomic<std::size_t> heapInUse{0};
std::atomic<std::size_t> heapPeak{0};

void NoteAllocation(std::size_t bytes) {
    const std::size_t now = heapInUse.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    std::size_t peak = heapPeak.load(std::memory_order_relaxed);
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

} // namespace

void* operator new(std::size_t n) {
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr)
        throw std::bad_alloc();
    NoteAllocation(malloc_usable_size(p));
    return p;
}

void operator delete(void* p) noexcept {
    if (p == nullptr)
        return;
    heapInUse.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

// The file as jk-webm and the player (on a fixed drive) scan it: mapped and parsed in place.
void BM_ScanLiveHour(benchmark::State& state) {
    const char* path = std::getenv("JK_BENCH_WEBM");
    if (path == nullptr) {
        state.SkipWithError("JK_BENCH_WEBM is not set: run scripts/bench.sh");
        return;
    }
    for (auto _ : state) {
        const auto source = OpenFileSource(path);
        WebmScan scan;
        if (source)
            ScanWebm(*source, scan, nullptr, 0);
        if (!scan.scanOk)
            state.SkipWithError("the scan failed");
        state.counters["clusters"] = static_cast<double>(scan.clusters.size());
    }
}
BENCHMARK(BM_ScanLiveHour)->Unit(benchmark::kMillisecond);

// The same file read in large blocks, as the player reads files it does not map.
void BM_ScanLiveHourInBlocks(benchmark::State& state) {
    const char* path = std::getenv("JK_BENCH_WEBM");
    if (path == nullptr) {
        state.SkipWithError("JK_BENCH_WEBM is not set: run scripts/bench.sh");
        return;
    }
    for (auto _ : state) {
        FileSource source(path);
        WebmScan scan;
        ScanWebm(source, scan, nullptr, 0);
        if (!scan.scanOk)
            state.SkipWithError("the scan failed");
        state.counters["clusters"] = static_cast<double>(scan.clusters.size());
    }
}
BENCHMARK(BM_ScanLiveHourInBlocks)->Unit(benchmark::kMillisecond);

constexpr std::uint64_t kEmptyClusters = 20000000;

// A valid EBML header, a Segment of unknown size and 100 MB of empty clusters, written once per
// run into a temporary folder and removed at exit.
class EmptyClustersFile {
  public:
    EmptyClustersFile() {
        folder_ = std::filesystem::temp_directory_path() / ("jaskel-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        path_ = folder_ / "empty-clusters.webm";
        std::ofstream out(path_, std::ios::binary);
        const unsigned char head[] = {0x1A, 0x45, 0xDF, 0xA3, 0x87, 0x42, 0x82, 0x84, 'w',  'e',  'b',  'm',
                                      0x18, 0x53, 0x80, 0x67, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        out.write(reinterpret_cast<const char*>(head), sizeof head);
        const unsigned char cluster[] = {0x1F, 0x43, 0xB6, 0x75, 0x80};
        std::string chunk;
        for (int i = 0; i < 200000; ++i)
            chunk.append(reinterpret_cast<const char*>(cluster), sizeof cluster);
        for (std::uint64_t written = 0; written < kEmptyClusters && out; written += 200000)
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        ok_ = static_cast<bool>(out.flush());
    }
    ~EmptyClustersFile() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    bool Ok() const { return ok_; }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
    bool ok_ = false;
};

void BM_RefuseEmptyClusters(benchmark::State& state) {
    static const EmptyClustersFile file;
    if (!file.Ok()) {
        state.SkipWithError("could not write the hostile file");
        return;
    }
    std::size_t peakExtra = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse.load();
        heapPeak.store(before);
        {
            FileSource source(file.Path());
            WebmScan scan;
            ScanWebm(source, scan, nullptr, 0);
            const bool refused = !NeedsRepair(scan) && !BuildRepairHeader(source, scan).has_value();
            if (!refused || !scan.tooLarge)
                state.SkipWithError("the file was not refused as too large");
            state.counters["clusters"] = static_cast<double>(scan.clusters.size());
        }
        peakExtra = std::max(peakExtra, heapPeak.load() - before);
    }
    state.counters["peakExtraMiB"] = static_cast<double>(peakExtra) / (1024 * 1024);
}
BENCHMARK(BM_RefuseEmptyClusters)->Unit(benchmark::kMillisecond);

} // namespace
