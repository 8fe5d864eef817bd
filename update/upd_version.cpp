#include "update/upd_version.h"

namespace {

constexpr std::string_view kMacPrefix = "mac-";
constexpr std::size_t kMaxDigits = 6;

// Reads 1 to 6 digits at text[pos...], moving pos past them.
bool ReadNumber(std::string_view text, std::size_t& pos, std::int32_t& out) {
    const std::size_t start = pos;
    out = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < kMaxDigits + 1) {
        out = out * 10 + (text[pos] - '0');
        ++pos;
    }
    const std::size_t digits = pos - start;
    return digits >= 1 && digits <= kMaxDigits;
}

} // namespace

bool ParseUpdVersion(std::string_view text, bool macPrefix, UpdVersion& out) {
    if (macPrefix) {
        if (!text.starts_with(kMacPrefix))
            return false;
        text.remove_prefix(kMacPrefix.size());
    }
    std::size_t pos = 0;
    UpdVersion v;
    if (!ReadNumber(text, pos, v.major) || pos >= text.size() || text[pos++] != '.')
        return false;
    if (!ReadNumber(text, pos, v.minor) || pos >= text.size() || text[pos++] != '.')
        return false;
    if (!ReadNumber(text, pos, v.patch) || pos != text.size())
        return false;
    out = v;
    return true;
}

int CompareUpdVersions(std::string_view a, std::string_view b, bool macPrefix) {
    UpdVersion va, vb;
    if (!ParseUpdVersion(a, macPrefix, va) || !ParseUpdVersion(b, macPrefix, vb))
        return -2;
    const std::int32_t pa[] = {va.major, va.minor, va.patch};
    const std::int32_t pb[] = {vb.major, vb.minor, vb.patch};
    for (int i = 0; i < 3; ++i) {
        if (pa[i] != pb[i])
            return pa[i] < pb[i] ? -1 : 1;
    }
    return 0;
}
