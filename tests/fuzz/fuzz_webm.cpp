// The WebM scan and the repaired head are built from whatever bytes a file holds: any input must
// scan and build without a fault, and a built head starts with the file's EBML header.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/webm/repair_header.h"
#include "engine/webm/webm_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySource source(std::vector<std::uint8_t>(data, data + size));
    WebmScan scan;
    ScanWebm(source, scan, nullptr, 0);
    NeedsRepair(scan);
    ScanDuration(scan);
    if (const auto head = BuildRepairHeader(source, scan)) {
        if (head->bytes.size() < scan.ebmlSize || std::memcmp(head->bytes.data(), data + scan.ebmlStart, scan.ebmlSize) != 0)
            std::abort();
        if (head->bytes.size() > kMaxRepairHeadBytes)
            std::abort();
        PlanPresentedRead(head->bytes.size(), head->tailStart, size > head->tailStart ? size - head->tailStart : 0,
                          size / 2, size);
    }
    return 0;
}
