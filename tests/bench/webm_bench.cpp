// The WebM scan of a one-hour live recording (scripts/bench.sh makes it and names it in
// JK_BENCH_WEBM), warm cache.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "engine/webm/file_source.h"
#include "engine/webm/webm_scan.h"

namespace {

void BM_ScanLiveHour(benchmark::State& state) {
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
BENCHMARK(BM_ScanLiveHour)->Unit(benchmark::kMillisecond);

} // namespace
