#pragma once
// The WebM scan runs on a thread of its own per open and hands its result to the main window.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/webm/webm_scan.h"

// Starts the scan of path for the open of the given generation; the result is posted to window
// as WM_APP_SCAN_RESULT unless a newer open started or the window is closing by then.
void StartWebmScan(const std::u16string& path, std::int64_t generation, HWND window);

// Frees a result record (the window does it for every result it receives).
void FreeScanRecord(WebmScan* scan);

// Counters for diagnostics and tests.
struct ScanCounters {
    std::atomic<long> started{0};
    std::atomic<long> posted{0};
    std::atomic<long> discarded{0};
    std::atomic<long> liveRecords{0};
    std::atomic<long> lastDiscardedClusters{0};
};
extern ScanCounters scanCounters;
