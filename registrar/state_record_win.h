#pragma once
// The per-user state record under HKEY_CURRENT_USER\<stateKey>: the last attempt's version,
// installation, package family name, result and count of consecutive failures.
#include <cstdint>
#include <optional>
#include <string>

#include "registrar/menu_config.h"
#include "registrar/registrar_rules.h"

// Records an attempt's result; nothing is stored when the key cannot be opened or created.
void SaveState(const MenuCfg& cfg, std::int32_t hr, const std::u16string& pfn);

// The record as ensure reads it, or nullopt when the key cannot be opened for reading.
std::optional<StateRecord> ReadStateRecord(const std::u16string& stateKey);
