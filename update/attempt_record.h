#pragma once
// The memory of the last update attempt ("upd-attempt.txt" in the data folder), which lets a
// failing update stop instead of looping: one line "v1\tSHA256\tTARGET\tFIRSTTIME\tCOUNT\n".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t kUpdAttemptReadLimit = 512;
inline constexpr std::int32_t kUpdAttemptMaxCount = 1000;

struct UpdAttemptRecord {
    std::string sha256;         // empty or 64 lower-case hex digits
    std::string target;         // the version that attempt installed
    std::int64_t firstTime = 0; // seconds since 1970 of the series' first attempt; 0: no record
    std::int32_t count = 0;     // attempts in the series, 0 to 1,000

    bool operator==(const UpdAttemptRecord&) const = default;
};

// Reads the text up to the first LF (or all of it). Any broken rule gives the empty record, as a
// missing file does.
UpdAttemptRecord ParseUpdAttemptRecord(std::string_view text);

// Exactly "v1\t" + fields + "\n".
std::string FormatUpdAttemptRecord(const UpdAttemptRecord& record);
