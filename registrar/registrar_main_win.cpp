// menu-registrar.exe: no window, one command per run, reporting through its exit code and log.
#include <windows.h>
#include <shellapi.h>

#include "base/no_throw.h"
#include "base/wide_win.h"
#include "registrar/platform_deployment_win.h"
#include "registrar/registrar_command.h"
#include "registrar/run_registrar_win.h"
#include "registrar/skip_reason_win.h"

namespace {


} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return CallNoThrow<int>(kRegistrarFailed, [] {
        const auto deployment = PlatformDeployment();
        RegistrarServices services{*deployment, SystemSkipReason};
        return RunRegistrar(ProcessArguments(), services);
    });
}
