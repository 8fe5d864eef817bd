#pragma once
// Registering the context menu's sparse package for the current user, and the upkeep the player
// asks for at every start. Each returns the process exit code.
#include "registrar/menu_config.h"
#include "registrar/registrar_services.h"

int Register(const MenuCfg& cfg, RegistrarServices& services);
int Ensure(const MenuCfg& cfg, RegistrarServices& services);
