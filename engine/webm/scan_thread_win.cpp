#include "engine/webm/scan_thread_win.h"

#include <new>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/webm/win_file_source_win.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"

ScanCounters scanCounters;

namespace {

struct ScanJob {
    std::u16string path;
    std::int64_t generation;
    HWND window;
};

std::int64_t CurrentScanGeneration() {
    return std::atomic_ref<std::int64_t>(engine.scanGeneration).load(std::memory_order_relaxed);
}

void RunScan(const ScanJob& job, WebmScan& scan) {
    HANDLE file = OpenForScan(Wide(job.path));
    if (file == INVALID_HANDLE_VALUE)
        return; // scanOk stays false: the window opens the file plainly
    WinFileSource source(file);
    ScanWebm(source, scan, &engine.scanGeneration, job.generation);
    CloseHandle(file);
}

bool StillWanted(const ScanJob& job) {
    return job.window != nullptr && !shell.windowClosing.load() && job.generation == CurrentScanGeneration();
}

DWORD WINAPI ScanThread(LPVOID parameter) {
    ScanJob* job = static_cast<ScanJob*>(parameter);
    WebmScan* scan = new (std::nothrow) WebmScan();
    if (scan != nullptr) {
        ++scanCounters.liveRecords;
        RunScan(*job, *scan);
        if (StillWanted(*job) && PostMessageW(job->window, WM_APP_SCAN_RESULT, static_cast<WPARAM>(job->generation),
                                              reinterpret_cast<LPARAM>(scan))) {
            ++scanCounters.posted;
        } else {
            scanCounters.lastDiscardedClusters = static_cast<long>(scan->clusters.size());
            ++scanCounters.discarded;
            FreeScanRecord(scan);
        }
    }
    delete job;
    return 0;
}

} // namespace

void StartWebmScan(const std::u16string& path, std::int64_t generation, HWND window) {
    ScanJob* job = new (std::nothrow) ScanJob{path, generation, window};
    if (job == nullptr)
        return;
    HANDLE thread = CreateThread(nullptr, 0, ScanThread, job, 0, nullptr);
    if (thread == nullptr) {
        delete job;
        return;
    }
    ++scanCounters.started;
    CloseHandle(thread);
}

void FreeScanRecord(WebmScan* scan) {
    if (scan == nullptr)
        return;
    delete scan;
    --scanCounters.liveRecords;
}
