#include "update/attempt_record.h"

#include <limits>
#include <vector>

namespace {

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

bool IsHashField(std::string_view text) {
    if (text.empty())
        return true;
    if (text.size() != 64)
        return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// A decimal integer that fills the whole field, with an optional "-", fitting 64 bits.
bool ParseDecimal(std::string_view text, std::int64_t& out) {
    const bool negative = text.starts_with('-');
    if (negative)
        text.remove_prefix(1);
    if (text.empty())
        return false;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        if (value > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10)
            return false;
        value = value * 10 + (c - '0');
    }
    out = negative ? -value : value;
    return true;
}

} // namespace

UpdAttemptRecord ParseUpdAttemptRecord(std::string_view text) {
    const std::size_t lf = text.find('\n');
    const auto fields = SplitTabs(text.substr(0, lf));
    if (fields.size() != 5 || fields[0] != "v1" || !IsHashField(fields[1]))
        return {};
    std::int64_t firstTime = 0;
    std::int64_t count = 0;
    if (!ParseDecimal(fields[3], firstTime) || !ParseDecimal(fields[4], count))
        return {};
    if (count < 0 || count > kUpdAttemptMaxCount)
        return {};
    return {std::string(fields[1]), std::string(fields[2]), firstTime, static_cast<std::int32_t>(count)};
}

std::string FormatUpdAttemptRecord(const UpdAttemptRecord& record) {
    return "v1\t" + record.sha256 + "\t" + record.target + "\t" + std::to_string(record.firstTime) + "\t" +
           std::to_string(record.count) + "\n";
}
