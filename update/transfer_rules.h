#pragma once
// The portable rules of the manifest fetch and the installer download: request paths, the check of
// the final URL after redirects, the Content-Length check, the running size and hash checks of the
// download and its progress pacing. The Windows layer does the WinHTTP, file and CNG calls.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::u16string_view kUpdUserAgent = u"JaskelPC-jkupd/1";
inline constexpr std::int32_t kUpdResolveTimeoutMs = 6000;
inline constexpr std::int32_t kUpdConnectTimeoutMs = 6000;
inline constexpr std::int32_t kUpdSendTimeoutMs = 6000;
inline constexpr std::int32_t kUpdManifestReceiveTimeoutMs = 6000;
inline constexpr std::int32_t kUpdDownloadReceiveTimeoutMs = 75000;
inline constexpr std::size_t kUpdBlockBytes = 65536;
inline constexpr std::uint64_t kUpdProgressIntervalMs = 151;
// A download slower than this over a whole receive time-out is abandoned as "dl-stall", so a
// server that drips a byte now and then cannot hold the updater forever.
inline constexpr std::int64_t kUpdFloorBytesPerSecond = 1024;

// "/update/v1?t=SECONDS": every request URL differs, so no cache answers it.
std::string UpdManifestRequestPath(std::int64_t nowSeconds);

// "/dl/" + key with every byte other than A-Z a-z 0-9 - . / _ written as %XX (upper-case hex).
std::string UpdDownloadRequestPath(std::string_view key);

// The final location check: scheme https and host exactly updateHost or "www." + updateHost.
bool UpdFinalHostAllowed(bool https, std::string_view host, std::string_view updateHost);

// The same check on a whole absolute URL (UTF-8), for the redirect notifications where
// WINHTTP_OPTION_URL is missing: scheme (ASCII case folded) "https", host after any user info and
// before any port. A URL that cannot be split is refused.
bool UpdFinalUrlAllowed(std::string_view url, std::string_view updateHost);

// The Content-Length header's value: decimal digits only, fitting 64 bits; nullopt otherwise.
std::optional<std::int64_t> ParseUpdContentLength(std::string_view value);

// "dl-length" unless the header is absent or names exactly the manifest size (an unreadable
// value counts as a different length).
bool UpdContentLengthAcceptable(const std::optional<std::string>& header, std::int64_t size);

// 64 lower-case hex digits of a digest.
std::string UpdLowerHex(std::span<const std::uint8_t> bytes);

// A computed hash matches only when it is not empty (a failed hasher gives "") and equal.
bool UpdHashMatches(std::string_view computedHex, std::string_view expectedHex);

// The running count of a download against the manifest size.
class UpdDownloadTally {
  public:
    explicit UpdDownloadTally(std::int64_t expectedSize) : expected_(expectedSize) {}
    // Adds a block; false when the total now exceeds the expected size ("dl-too-long").
    bool Add(std::int64_t bytes);
    std::int64_t Total() const { return total_; }
    // At the end of the body: nullptr for success, else "dl-short" or "dl-sha".
    const char* EndWord(std::string_view computedHex, std::string_view expectedHex) const;

  private:
    std::int64_t expected_;
    std::int64_t total_ = 0;
};

// One progress report right after the first block, then at most one per 151 ms.
class UpdProgressPacer {
  public:
    bool Due(std::uint64_t nowMs);

  private:
    std::optional<std::uint64_t> last_;
};

// The floor-rate guard: fed the running total after each block (and whenever the loop wakes), it
// reports a stall once a whole receive time-out (75 s) has passed in which fewer than
// kUpdFloorBytesPerSecond x 75 bytes arrived.
class UpdRateFloor {
  public:
    explicit UpdRateFloor(std::uint64_t startMs, std::uint64_t windowMs = kUpdDownloadReceiveTimeoutMs,
                          std::int64_t floorBytesPerSecond = kUpdFloorBytesPerSecond);
    // True when the download must be abandoned as "dl-stall".
    bool Stalled(std::uint64_t nowMs, std::int64_t totalBytes);

  private:
    struct Sample {
        std::uint64_t ms;
        std::int64_t total;
    };
    static constexpr std::size_t kMaxSamples = 128;
    std::uint64_t windowMs_;
    std::int64_t floorBytes_;
    Sample samples_[kMaxSamples];
    std::size_t first_ = 0;
    std::size_t count_ = 0;
};
