#include "engine/webm/scan_thread_win.h"

#include <new>

#include "base/wide_win.h"
#include "engine/engine_events_win.h"
#include "engine/engine_state.h"
#include "engine/webm/mapped_source.h"
#include "engine/webm/win_file_source_win.h"

ScanCounters scanCounters;
ScanStarter scanStarter = StartScanThread;

namespace {

struct ScanJob {
    std::u16string path;
    std::int64_t generation;
    HWND window;
};

std::int64_t CurrentScanGeneration() {
    return std::atomic_ref<std::int64_t>(engine.scanGeneration).load(std::memory_order_relaxed);
}

bool Superseded(const std::int64_t* cancel, std::int64_t generation) {
    return cancel != nullptr &&
           std::atomic_ref<std::int64_t>(*const_cast<std::int64_t*>(cancel)).load(std::memory_order_relaxed) !=
               generation;
}

bool StillWanted(const ScanJob& job) {
    return job.window != nullptr && !EngineWindowClosing() && job.generation == CurrentScanGeneration();
}

void HandOver(const ScanJob& job, ScanRecord* record) {
    if (StillWanted(job) &&
        PostMessageW(job.window, WM_APP_SCAN_RESULT, static_cast<WPARAM>(job.generation),
                     reinterpret_cast<LPARAM>(record))) {
        ++scanCounters.posted;
        return;
    }
    scanCounters.lastDiscardedClusters = static_cast<long>(record->scan.clusters.size());
    ++scanCounters.discarded;
    FreeScanRecord(record);
}

DWORD WINAPI ScanThread(LPVOID parameter) {
    ScanJob* job = static_cast<ScanJob*>(parameter);
    ScanRecord* record = new (std::nothrow) ScanRecord();
    if (record != nullptr) {
        ++scanCounters.liveRecords;
        ScanAndPrepare(job->path, &engine.scanGeneration, job->generation, *record);
        HandOver(*job, record);
    }
    delete job;
    return 0;
}

ScanJob* NewJob(const std::u16string& path, std::int64_t generation, HWND window) {
    try {
        return new ScanJob{path, generation, window};
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Never throws: out of memory on a hostile file leaves no repair, and the file opens plainly.
void ScanAndBuild(ByteSource& source, const std::int64_t* cancel, std::int64_t generation,
                  ScanRecord& record) {
    try {
        ScanWebm(source, record.scan, cancel, generation);
        // A superseded scan posts nothing, so its head would be built for nobody.
        if (NeedsRepair(record.scan) && !Superseded(cancel, generation))
            record.head = BuildRepairHeader(source, record.scan);
    } catch (...) {
        record.scan.scanOk = false;
        record.head.reset();
    }
}

bool ScanMapped(const std::u16string& path, const std::int64_t* cancel, std::int64_t generation,
                ScanRecord& record) {
    try {
        MappedFileSource mapped{std::filesystem::path(Wide(path))};
        if (!mapped.IsMapped())
            return false;
        ScanAndBuild(mapped, cancel, generation, record);
        return true;
    } catch (const std::exception&) {
        return false; // no memory for the path: the file is read in blocks instead
    }
}

void ScanInBlocks(const std::u16string& path, const std::int64_t* cancel, std::int64_t generation,
                  ScanRecord& record) {
    HANDLE file = OpenForScan(Wide(path));
    if (file == INVALID_HANDLE_VALUE)
        return; // scanOk stays false: the window opens the file plainly
    WinFileSource source(file);
    ScanAndBuild(source, cancel, generation, record);
    CloseHandle(file);
}

} // namespace

// A mapped file is parsed in place, but a read error in it would end the process; files on
// network shares and removable drives are read in blocks, where an error only fails the scan.
bool MapsForScan(const std::u16string& path) {
    wchar_t root[MAX_PATH + 1] = {};
    return GetVolumePathNameW(Wide(path), root, ARRAYSIZE(root)) && GetDriveTypeW(root) == DRIVE_FIXED;
}

void ScanAndPrepare(const std::u16string& path, const std::int64_t* cancel, std::int64_t generation,
                    ScanRecord& record) {
    if (!MapsForScan(path) || !ScanMapped(path, cancel, generation, record))
        ScanInBlocks(path, cancel, generation, record);
}

void StartWebmScan(const std::u16string& path, std::int64_t generation, HWND window) {
    scanStarter(path, generation, window);
}

void StartScanThread(const std::u16string& path, std::int64_t generation, HWND window) {
    ScanJob* job = NewJob(path, generation, window);
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

void FreeScanRecord(ScanRecord* record) {
    if (record == nullptr)
        return;
    delete record;
    --scanCounters.liveRecords;
}
