#pragma once
// What the registrar's commands ask of the system beyond files and the registry: the package
// manager and whether the context menu applies here. The program passes the real ones; tests pass
// substitutes for what Wine lacks.
#include <functional>
#include <optional>
#include <string>

#include "registrar/deployment.h"

struct RegistrarServices {
    DeploymentService& deployment;
    std::function<std::optional<std::u16string>()> skipReason;
};
