#pragma once
// Transport state the user sets: the repeat mode (0 off, 1 all, 2 one). User-interface thread only.

struct TransportState {
    int repeatMode = 0;
};

extern TransportState transport;
