#pragma once
// Version texts of the update manifest: "MAJOR.MINOR.PATCH", each 1 to 6 decimal digits, nothing
// else; macOS apps carry a required "mac-" prefix.
#include <cstdint>
#include <string_view>

struct UpdVersion {
    std::int32_t major = 0;
    std::int32_t minor = 0;
    std::int32_t patch = 0;
};

bool ParseUpdVersion(std::string_view text, bool macPrefix, UpdVersion& out);

// -2 when either does not parse; else -1, 0 or 1 as a is lower than, equal to or higher than b,
// numerically (0.10.0 > 0.9.9).
int CompareUpdVersions(std::string_view a, std::string_view b, bool macPrefix);
