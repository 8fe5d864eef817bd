#include "update/transfer_rules.h"

#include <limits>

#include "base/ascii.h"

namespace {

constexpr char kHexUpper[] = "0123456789ABCDEF";
constexpr char kHexLower[] = "0123456789abcdef";

bool StaysUnescaped(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '/' || c == '_';
}

// The host of an absolute URL's authority, or nullopt for anything unusual. User info and
// backslashes are refused rather than interpreted: the update server never sends them, and parsers
// disagree about where the host ends around them.
std::optional<std::string_view> HostOfAuthority(std::string_view authority) {
    if (authority.empty() || authority.find_first_of("@\\") != std::string_view::npos ||
        authority.front() == '[')
        return std::nullopt;
    const std::size_t colon = authority.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
    }
    return authority.substr(0, colon);
}

} // namespace

std::string UpdManifestRequestPath(std::int64_t nowSeconds) {
    return "/update/v1?t=" + std::to_string(nowSeconds);
}

std::string UpdDownloadRequestPath(std::string_view key) {
    std::string path = "/dl/";
    for (const char c : key) {
        if (StaysUnescaped(c)) {
            path.push_back(c);
            continue;
        }
        const auto b = static_cast<unsigned char>(c);
        path.push_back('%');
        path.push_back(kHexUpper[b >> 4]);
        path.push_back(kHexUpper[b & 15]);
    }
    return path;
}

bool UpdFinalHostAllowed(bool https, std::string_view host, std::string_view updateHost) {
    if (!https || updateHost.empty())
        return false;
    return host == updateHost || (host.starts_with("www.") && host.substr(4) == updateHost);
}

bool UpdFinalUrlAllowed(std::string_view url, std::string_view updateHost) {
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos)
        return false;
    const bool https = AsciiEqualsNoCase(url.substr(0, schemeEnd), std::string_view("https"));
    const std::string_view rest = url.substr(schemeEnd + 3);
    const auto host = HostOfAuthority(rest.substr(0, rest.find_first_of("/?#")));
    return host && UpdFinalHostAllowed(https, *host, updateHost);
}

std::optional<std::int64_t> ParseUpdContentLength(std::string_view value) {
    if (value.empty())
        return std::nullopt;
    std::int64_t n = 0;
    for (const char c : value) {
        if (c < '0' || c > '9' || n > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10)
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool UpdContentLengthAcceptable(const std::optional<std::string>& header, std::int64_t size) {
    if (!header)
        return true;
    const auto length = ParseUpdContentLength(*header);
    return length && *length == size;
}

std::string UpdLowerHex(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        out.push_back(kHexLower[b >> 4]);
        out.push_back(kHexLower[b & 15]);
    }
    return out;
}

bool UpdHashMatches(std::string_view computedHex, std::string_view expectedHex) {
    return !computedHex.empty() && computedHex == expectedHex;
}

bool UpdDownloadTally::Add(std::int64_t bytes) {
    total_ += bytes;
    return total_ <= expected_;
}

const char* UpdDownloadTally::EndWord(std::string_view computedHex, std::string_view expectedHex) const {
    if (total_ != expected_)
        return "dl-short";
    if (!UpdHashMatches(computedHex, expectedHex))
        return "dl-sha";
    return nullptr;
}

bool UpdProgressPacer::Due(std::uint64_t nowMs) {
    if (last_ && nowMs - *last_ < kUpdProgressIntervalMs)
        return false;
    last_ = nowMs;
    return true;
}

UpdRateFloor::UpdRateFloor(std::uint64_t startMs, std::uint64_t windowMs, std::int64_t floorBytesPerSecond)
    : windowMs_(windowMs), floorBytes_(static_cast<std::int64_t>(windowMs / 1000) * floorBytesPerSecond) {
    samples_[0] = {startMs, 0};
    count_ = 1;
}

bool UpdRateFloor::Stalled(std::uint64_t nowMs, std::int64_t totalBytes) {
    const Sample& newest = samples_[(first_ + count_ - 1) % kMaxSamples];
    nowMs = nowMs < newest.ms ? newest.ms : nowMs;
    // Samples a sixty-fourth of a window apart are fine enough and bound the ring.
    const std::uint64_t spacing = windowMs_ / 64 ? windowMs_ / 64 : 1;
    if (nowMs - newest.ms >= spacing) {
        if (count_ == kMaxSamples) {
            first_ = (first_ + 1) % kMaxSamples;
            --count_;
        }
        samples_[(first_ + count_) % kMaxSamples] = {nowMs, totalBytes};
        ++count_;
    }
    // Keep one sample at or before the window's start as the baseline.
    while (count_ > 1 && nowMs - samples_[(first_ + 1) % kMaxSamples].ms >= windowMs_) {
        first_ = (first_ + 1) % kMaxSamples;
        --count_;
    }
    const Sample& baseline = samples_[first_];
    if (nowMs - baseline.ms < windowMs_)
        return false; // not a whole window yet
    return totalBytes - baseline.total < floorBytes_;
}
