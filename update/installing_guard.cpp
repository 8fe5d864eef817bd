#include "update/installing_guard.h"

bool InstallationInProgress(bool probeMode, std::optional<std::int64_t> markerAgeSeconds) {
    if (probeMode || !markerAgeSeconds)
        return false;
    const std::int64_t age = *markerAgeSeconds < 0 ? 0 : *markerAgeSeconds;
    return age <= kInstallingMarkerMaxAgeSeconds;
}
