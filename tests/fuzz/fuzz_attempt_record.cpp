// The small texts the updater reads besides the manifest: the attempt record and last-version.txt
// from the data folder, a Content-Length header and a redirect's URL. The first byte picks which.
// A record that reads must write back to the same line, and the record written after it must
// still read, so that a series is never forgotten.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "update/transfer_rules.h"
#include "update/updater_rules.h"
#include "update/upd_version.h"

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

void Record(std::string_view text) {
    const UpdAttemptRecord record = ParseUpdAttemptRecord(text);
    Check(record.count >= 0 && record.count <= kUpdAttemptMaxCount);
    if (record == UpdAttemptRecord{})
        return;
    Check(ParseUpdAttemptRecord(FormatUpdAttemptRecord(record)) == record);
    const UpdManifestEntry entry{"0.6.9", "0.6.0", "player/Setup.exe", std::string(64, 'a'), 1234};
    for (const std::int64_t now : {record.firstTime, record.firstTime + 86400, std::int64_t(1700000000)}) {
        DecideUpdate(entry, "0.6.8", record, now);
        const UpdAttemptRecord next = NewAttemptRecord(record, entry, now);
        Check(ParseUpdAttemptRecord(FormatUpdAttemptRecord(next)) == next);
    }
}

void LastVersion(std::string_view text) {
    const UpdAnnouncement a = DecideAnnouncement(text, "0.6.8");
    if (a.show)
        Check(CompareUpdVersions(a.previousVersion, "0.6.8", false) == -1);
    Check(!a.newFileText || *a.newFileText == "0.6.8\n");
}

void ContentLength(std::string_view text) {
    if (const auto n = ParseUpdContentLength(text)) {
        Check(*n >= 0);
        std::string_view digits = text;
        while (digits.size() > 1 && digits.front() == '0')
            digits.remove_prefix(1);
        Check(std::to_string(*n) == digits);
    }
}

void FinalUrl(std::string_view url) {
    if (!UpdFinalUrlAllowed(url, "jaskel.net"))
        return;
    const std::size_t hostStart = url.find("://") + 3;
    const std::string_view host = url.substr(hostStart, url.find_first_of(":/?#", hostStart) - hostStart);
    Check(host == "jaskel.net" || host == "www.jaskel.net");
    Check(url.substr(0, hostStart).find('@') == std::string_view::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] & 3) {
    case 0:
        Record(rest.substr(0, kUpdAttemptReadLimit));
        break;
    case 1:
        LastVersion(rest.substr(0, kUpdLastVersionReadLimit));
        break;
    case 2:
        ContentLength(rest);
        break;
    default:
        FinalUrl(rest);
        break;
    }
    return 0;
}
