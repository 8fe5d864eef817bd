// Catalog lookups: the cached path every repaint takes, and the first lookup of a literal.
#include <benchmark/benchmark.h>

#include <shared_mutex>

#include "base/utf.h"
#include "i18n/catalog_search.h"
#include "i18n/text_cache.h"

namespace {

static const char16_t kPlay[] = u"재생";

void BM_CachedLookup(benchmark::State& state) {
    TextCache<char16_t, std::shared_mutex> cache;
    cache.Insert(kPlay, [] { return std::u16string(u"Wiedergabe"); });
    for (auto _ : state)
        benchmark::DoNotOptimize(cache.Find(kPlay));
}
BENCHMARK(BM_CachedLookup);

void BM_FirstLookupSearch(benchmark::State& state) {
    const LangInfo& de = PlayerLangTable()[5];
    for (auto _ : state)
        benchmark::DoNotOptimize(FindTranslation(de, Utf16ToUtf8(kPlay)));
}
BENCHMARK(BM_FirstLookupSearch);

} // namespace
