#pragma once
// What the progress window shows for a progress message: the bar position and the numbers of one
// of the two catalog texts. The window formats the chosen catalog text with them.
#include <cstdint>
#include <optional>

inline constexpr int kUpdProgressRange = 1000;

struct UpdProgressView {
    std::optional<int> barPosition; // 0..1000, unset when the expected size is unknown (0)
    // true: "Downloading the new version — %.1f / %.1f MB · about %d s left"
    // false: "Downloading the new version — %.1f MB"
    bool withEstimate = false;
    double receivedMb = 0;
    double expectedMb = 0;
    int secondsLeft = 0;
};

// receivedKiB and expectedKiB as the message carries them; elapsedMs since the window was created.
// The rate counts only after more than half a second.
UpdProgressView ComputeUpdProgress(std::uint64_t receivedKiB, std::uint64_t expectedKiB,
                                   std::uint64_t elapsedMs);
