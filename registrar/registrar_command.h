#pragma once
// The registrar's command line, after the program name: a command word (matched exactly, with
// case) and its arguments.
#include <optional>
#include <string>
#include <vector>

#include "registrar/menu_config.h"

enum class RegistrarVerb { Register, Ensure, Unregister, Prune, StopLock, Probe, Secure };

struct RegistrarCommand {
    RegistrarVerb verb = RegistrarVerb::Register;
    MenuCfg cfg;                       // register, ensure, unregister, prune
    bool allUsers = false;             // unregister "--all-users"
    std::vector<std::u16string> texts; // prune: folder names to keep; stoplock: patterns
    std::u16string path;               // probe: library; secure: folder
    std::u16string clsid;              // probe: class identifier in braces
};

// The command, or nullopt for a bad command line: no or an unknown command, a missing argument, or
// an absent or invalid configuration (exit code 4).
std::optional<RegistrarCommand> ParseRegistrarCommand(const std::vector<std::u16string>& args);

enum RegistrarExitCode : int {
    kRegistrarDone = 0,
    kRegistrarSkipped = 2,
    kRegistrarFailed = 3,
    kRegistrarBadCommandLine = 4,
};
