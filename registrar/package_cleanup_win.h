#pragma once
// The installer's clean-up commands: removing the package, and deleting the external-location
// folders of versions nothing uses any more. Each returns the process exit code.
#include <string>
#include <vector>

#include "registrar/menu_config.h"
#include "registrar/registrar_services.h"

int Unregister(const MenuCfg& cfg, bool allUsers, DeploymentService& deployment);
int Prune(const MenuCfg& cfg, const std::vector<std::u16string>& keep, DeploymentService& deployment);
