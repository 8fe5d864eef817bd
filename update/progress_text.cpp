#include "update/progress_text.h"

#include <limits>

UpdProgressView ComputeUpdProgress(std::uint64_t receivedKiB, std::uint64_t expectedKiB,
                                   std::uint64_t elapsedMs) {
    UpdProgressView view;
    view.receivedMb = static_cast<double>(receivedKiB) / 1024.0;
    view.expectedMb = static_cast<double>(expectedKiB) / 1024.0;
    if (expectedKiB > 0) {
        const std::uint64_t shown = receivedKiB < expectedKiB ? receivedKiB : expectedKiB;
        view.barPosition = static_cast<int>(static_cast<double>(shown) * kUpdProgressRange / expectedKiB);
    }
    const double elapsedSeconds = static_cast<double>(elapsedMs) / 1000.0;
    const double rate = elapsedSeconds > 0.5 ? static_cast<double>(receivedKiB) / elapsedSeconds : 0.0;
    if (expectedKiB == 0 || rate <= 0.0)
        return view;
    const double left =
        receivedKiB < expectedKiB ? static_cast<double>(expectedKiB - receivedKiB) / rate : 0.0;
    // A trickle of a few bytes could promise years; the text's %d must not overflow.
    const double capped =
        left < std::numeric_limits<int>::max() - 1.0 ? left : std::numeric_limits<int>::max() - 1.0;
    view.withEstimate = true;
    view.secondsLeft = static_cast<int>(capped) + 1;
    return view;
}
