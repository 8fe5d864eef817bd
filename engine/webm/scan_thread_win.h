#pragma once
// The WebM scan runs on a thread of its own per open and hands its result to the main window.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/webm/repair_header.h"
#include "engine/webm/webm_scan.h"

// What the scan thread hands over: the scan and, when the file needs repair, the repaired head.
// The head is built on the scan thread too, because on a large file that takes a while and the
// window must stay responsive.
struct ScanRecord {
    WebmScan scan;
    std::optional<RepairHead> head;
};

// Starts the scan of path for the open of the given generation; the result is posted to window
// as WM_APP_SCAN_RESULT unless a newer open started or the window is closing by then.
void StartWebmScan(const std::u16string& path, std::int64_t generation, HWND window);

// Scans path and builds its repaired head when it needs one; never throws (a failure leaves
// scanOk false or no head).
void ScanAndPrepare(const std::u16string& path, const std::int64_t* cancel, std::int64_t generation,
                    ScanRecord& record);

// Whether the scan maps path (a file on a fixed local drive) rather than reading it in blocks.
bool MapsForScan(const std::u16string& path);

// Frees a result record (the window does it for every result it receives).
void FreeScanRecord(ScanRecord* record);

// Tests replace how a scan is started, to hold a result back while the previous media's
// notices arrive; the default starts the scan thread.
using ScanStarter = void (*)(const std::u16string& path, std::int64_t generation, HWND window);
extern ScanStarter scanStarter;
void StartScanThread(const std::u16string& path, std::int64_t generation, HWND window);

// Counters for diagnostics and tests.
struct ScanCounters {
    std::atomic<long> started{0};
    std::atomic<long> posted{0};
    std::atomic<long> discarded{0};
    std::atomic<long> liveRecords{0};
    std::atomic<long> lastDiscardedClusters{0};
};
extern ScanCounters scanCounters;
