#pragma once
// Transport state the user sets: the previous speed, the repeat mode (0 off, 1 all, 2 one) and the
// A-B loop. Speed, volume and mute are engine fields. User-interface thread only.
#include <cstdint>

struct TransportState {
    float previousSpeed = 1.0f; // the last speed set that was not 1.0
    int repeatMode = 0;
    double loopStart = -1; // A; negative = unset
    double loopEnd = -1;   // B; negative = unset
    bool loopActive = false;
    std::uint64_t loopLastJumpTick = 0;
};

extern TransportState transport;
