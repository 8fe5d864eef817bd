// The intake of a large folder: AddFolder's listing, extension test and duplicate check.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "playlist/playlist_model.h"
#include "playlist/playlist_state.h"

namespace {

void BM_AddFolder20000(benchmark::State& state) {
    std::vector<FolderEntry> entries;
    for (int i = 0; i < 20000; ++i) {
        const std::string name = "Holiday clip " + std::to_string(i) + (i % 3 ? ".mp4" : ".MKV");
        entries.push_back({std::u16string(name.begin(), name.end())});
    }
    PlaylistHost host;
    host.listFolder = [&](const std::u16string&) { return std::optional<std::vector<FolderEntry>>(entries); };
    host.repaintAll = [] {};
    host.openItem = [](int) {};
    for (auto _ : state) {
        ReplacePlaylist({});
        currentIndex = 0;
        AddFolder(host, u"D:\\Videos\\Holidays");
        benchmark::DoNotOptimize(playlist.data());
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}
BENCHMARK(BM_AddFolder20000)->Unit(benchmark::kMillisecond);

} // namespace
