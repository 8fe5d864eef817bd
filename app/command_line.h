#pragma once
// The player's command line and start-up switches, decided from already-converted UTF-16 text.
#include <optional>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "update/probe.h"

// Arguments after the program name, in order. "--lang" consumes the argument after it; empty
// arguments and arguments beginning with "-" are not paths. Paths are kept unchanged.
std::vector<std::u16string> CollectFileArguments(const std::vector<std::u16string>& args);

// JK_ENGINE as read into a 16-unit buffer: a value that does not fit is treated as unset.
EngineKind ChooseEngineKind(const std::optional<std::u16string>& jkEngine);

// A drag-seek switch as read into an 8-unit buffer: on when the value fits and starts with "1".
bool DragSwitchOn(const std::optional<std::u16string>& value);

inline constexpr size_t kEngineVariableUnits = 16;
inline constexpr size_t kDragSwitchVariableUnits = 8;
