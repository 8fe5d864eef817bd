#pragma once
// The updater log ("jkpc-upd-last.txt" in the temp folder): one line per outcome,
// "SECONDS\tAPP\tWORD[\tDETAIL]\r\n", appended and never truncated. The words are collected here so
// that every writer spells them alike; the manifest's own words come from UpdResultName.
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::u16string_view kUpdLogFileName = u"jkpc-upd-last.txt";

// An empty detail writes no detail field.
std::string FormatUpdLogLine(std::int64_t nowSeconds, std::string_view app, std::string_view word,
                             std::string_view detail = {});

namespace upd_word {
// Updater flow.
inline constexpr const char* kUpdated = "updated";
inline constexpr const char* kNoManifest = "no-manifest";
inline constexpr const char* kBadPubkey = "bad-pubkey";
inline constexpr const char* kUpToDate = "up-to-date";
inline constexpr const char* kLoopGuard = "loop-guard";
inline constexpr const char* kMachineRefuse = "machine-refuse";
inline constexpr const char* kNoPersist = "no-persist";
inline constexpr const char* kReuseCached = "reuse-cached";
inline constexpr const char* kNoDir = "no-dir";
inline constexpr const char* kNoThread = "no-thread";
inline constexpr const char* kCancelled = "cancelled";
inline constexpr const char* kRunFailed = "run-failed";
inline constexpr const char* kHandedOff = "handed-off";
inline constexpr const char* kInstallerEndedFirst = "installer-ended-first";
inline constexpr const char* kWaitIdle = "wait-idle";
inline constexpr const char* kBadFinalHost = "bad-final-host";
// Download.
inline constexpr const char* kDlOpen = "dl-open";
inline constexpr const char* kDlLength = "dl-length";
inline constexpr const char* kDlCreate = "dl-create";
inline constexpr const char* kDlStall = "dl-stall";
inline constexpr const char* kDlRead = "dl-read";
inline constexpr const char* kDlWrite = "dl-write";
inline constexpr const char* kDlTooLong = "dl-too-long";
inline constexpr const char* kDlShort = "dl-short";
inline constexpr const char* kDlSha = "dl-sha";
// Installer verification.
inline constexpr const char* kLockFailed = "lock-failed";
inline constexpr const char* kRelockSha = "relock-sha";
inline constexpr const char* kBadSignature = "bad-signature";
} // namespace upd_word
