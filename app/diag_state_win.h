#pragma once
// The diagnostics state file: everything a test or a user needs to observe a running player.
#include <string>
#include <vector>

struct DiagRecord {
    int handoffCount = 0;
    std::vector<std::u16string> lastHandoff;
};

extern DiagRecord diagRecord;

// Writes state.json when diagnostics are on (after every tick, command, hand-off and open).
void WriteDiagState();
