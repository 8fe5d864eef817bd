#include "engine/engine_state.h"

EngineState engine;

const char* EngineKindName(EngineKind kind) { return kind == EngineKind::MFPlay ? "mfplay" : "session"; }
