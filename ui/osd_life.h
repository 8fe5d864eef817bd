#pragma once
// How long an on-screen message stays: 1.4 s from its own moment, hidden by the first interface
// tick after that (so 1.4 to about 1.65 s with the 250 ms tick). A new message starts afresh.
#include <cstdint>

inline constexpr std::uint64_t kOsdLifeMs = 1400;

inline std::uint64_t OsdHideTickFor(std::uint64_t shownAt) { return shownAt + kOsdLifeMs; }

inline bool OsdDue(std::uint64_t now, std::uint64_t hideTick) { return now > hideTick; }
