// Measures the cached I18nText lookup of the real Windows layer:
//   wine "build/win/tools/i18n_timing.exe"   (or run it on Windows)
#include <windows.h>

#include <cstdio>

#include "i18n/i18n_win.h"

int main() {
    static const wchar_t kPlay[] = L"재생";
    I18nText(kPlay); // the first lookup fills the cache
    constexpr long kRounds = 20000000;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const wchar_t* sink = nullptr;
    for (long i = 0; i < kRounds; ++i) {
        sink = I18nText(kPlay);
        asm volatile("" : : "r"(sink) : "memory");
    }
    QueryPerformanceCounter(&end);
    const double ns = 1e9 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart) / kRounds;
    std::printf("cached I18nText lookup (%s): %.1f ns\n", I18nLangCode(), ns);
    return 0;
}
