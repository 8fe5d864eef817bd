#pragma once
// The registrar's dispatch: the arguments after the program name, run as one command; returns the
// process exit code.
#include <string>
#include <vector>

#include "registrar/registrar_services.h"

int RunRegistrar(const std::vector<std::u16string>& args, RegistrarServices& services);
