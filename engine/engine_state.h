#pragma once
// The engine's process-wide state: written and read on the user-interface thread only.
#include <cstdint>
#include <string>

enum class EngineKind { Session, MFPlay };

struct EngineState {
    EngineKind engineKind = EngineKind::Session;
    double durationSec = -1;
    double seekTargetSec = -1;
    double pendingStartSec = -1;
    float volume = 1.0f;
    bool muted = false;
    float speed = 1.0f;
    bool paused = false;
    bool hasVideo = false;
    bool examining = false;
    std::int64_t openGeneration = 0;
    std::int64_t scanGeneration = 0;
    std::u16string statusText;
    bool endDeferred = false;
    bool dragOld = false;
    bool noEndDefer = false;
};

extern EngineState engine;

const char* EngineKindName(EngineKind kind);
