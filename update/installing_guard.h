#pragma once
// While the installer replaces the program it keeps a marker file in the program folder; a start
// in that time tells the user and ends instead of running the half-installed copy.
#include <cstdint>
#include <optional>

inline constexpr std::int64_t kInstallingMarkerMaxAgeSeconds = 1800;

// markerAgeSeconds: now minus the marker's last write time, nullopt when there is no marker.
// A marker from the future counts as 0 seconds old. Probe mode never counts as installing.
bool InstallationInProgress(bool probeMode, std::optional<std::int64_t> markerAgeSeconds);
