#include "registrar/run_registrar_win.h"

#include "registrar/maintenance_win.h"
#include "registrar/package_cleanup_win.h"
#include "registrar/register_win.h"
#include "registrar/registrar_command.h"

int RunRegistrar(const std::vector<std::u16string>& args, RegistrarServices& services) {
    const auto command = ParseRegistrarCommand(args);
    if (!command)
        return kRegistrarBadCommandLine;
    switch (command->verb) {
    case RegistrarVerb::Register:
        return Register(command->cfg, services);
    case RegistrarVerb::Ensure:
        return Ensure(command->cfg, services);
    case RegistrarVerb::Unregister:
        return Unregister(command->cfg, command->allUsers, services.deployment);
    case RegistrarVerb::Prune:
        return Prune(command->cfg, command->texts, services.deployment);
    case RegistrarVerb::StopLock:
        return StopLock(command->texts);
    case RegistrarVerb::Probe:
        return Probe(command->path, command->clsid);
    case RegistrarVerb::Secure:
        return Secure(command->path);
    }
    return kRegistrarBadCommandLine;
}
