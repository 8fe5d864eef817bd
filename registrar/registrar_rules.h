#pragma once
// The registrar's decisions and texts, apart from the system calls that feed them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registrar/menu_config.h"

inline constexpr std::int32_t kTimeoutResult = static_cast<std::int32_t>(0x800705B4);     // ERROR_TIMEOUT
inline constexpr std::int32_t kVerifyFailResult = static_cast<std::int32_t>(0x8000FFFF);  // E_UNEXPECTED
inline constexpr std::int32_t kUnknownFailResult = static_cast<std::int32_t>(0x80004005); // E_FAIL

// "Major.Minor.Build.Revision" in decimal.
std::u16string FormatPackageVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t build,
                                    std::uint16_t revision);

// A package's external path and the configured location name the same folder: both without
// trailing separators, ASCII letters compared without case, and the package's path not empty.
bool SameExternalLocation(std::u16string_view packagePath, std::u16string_view configured);

// A count in decimal.
std::u16string DecimalText(unsigned long long value);

// A result code as the log shows it: unsigned decimal.
std::u16string UnsignedCode(std::int32_t code);

struct LocalTime {
    unsigned year, month, day, hour, minute, second;
};

// One log line: "YYYY-MM-DD hh:mm:ss " + message + CR LF, in UTF-8.
std::string FormatLogLine(const LocalTime& time, std::u16string_view message);

// What the system says about the context menu's applicability.
struct SystemFacts {
    std::optional<std::uint32_t> buildNumber; // nullopt when it could not be read
    bool safeMode = false;
    bool classicMenuForced = false; // the user switched Explorer back to the legacy menu
};

// "windows-10", "safe-mode", "classic-menu-forced", or nullopt when the menu applies.
std::optional<std::u16string> SkipReasonFor(const SystemFacts& facts);

// The state record as read; a value that is missing or of another type is nullopt.
struct StateRecord {
    std::optional<std::u16string> ver;
    std::optional<std::u16string> installId;
    std::optional<std::uint32_t> hr;
    std::optional<std::uint32_t> tries;
};

// ensure gives up on a configuration that failed three times in a row for the same version and
// installation, until either changes.
bool EnsureGivesUp(const StateRecord& record, const MenuCfg& cfg);

// The next "Tries": 0 after a success, else one more for a repeat of the same version and
// installation, else 1.
std::uint32_t NextTries(std::int32_t hr, bool repeat, std::optional<std::uint32_t> oldTries);

// A version folder beside the external location that prune keeps: named like a keep argument or a
// registered version, ASCII letters compared without case.
bool IsKeptFolder(std::u16string_view name, const std::vector<std::u16string>& keep,
                  const std::vector<std::u16string>& registeredVersions);
