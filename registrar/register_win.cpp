#include "registrar/register_win.h"

#include <windows.h>
#include <shlwapi.h>

#include "base/wide_win.h"
#include "registrar/com_apartment_win.h"
#include "registrar/registrar_command.h"
#include "registrar/registrar_log_win.h"
#include "registrar/registrar_rules.h"
#include "registrar/state_record_win.h"

namespace {

constexpr DWORD kUrlUnits = 4096;

struct Attempt {
    std::int32_t result = 0;
    std::u16string pfn;
    bool finished = false; // ended early with the result already decided (already registered, timeout)
};

// A file path as a "file:" URI; a path that cannot be converted gives an empty text.
std::u16string FileUri(const std::u16string& path) {
    wchar_t url[kUrlUnits] = L"";
    DWORD units = kUrlUnits;
    if (FAILED(UrlCreateFromPathW(Wide(path), url, &units, 0)))
        return {};
    return U16(url);
}

// The current user's packages of this name and publisher at the configured version: one already at
// the external location ends the attempt; one elsewhere is removed first.
Attempt ReplaceOrKeepExisting(const MenuCfg& cfg, DeploymentService& deployment) {
    for (const auto& package : deployment.FindPackages(cfg.name, cfg.publisher, false)) {
        if (package.version != cfg.version)
            continue;
        if (SameExternalLocation(package.externalPath, cfg.externalLocation)) {
            LogLine(u"register already " + cfg.name + u" " + cfg.version);
            return Attempt{0, package.familyName, true};
        }
        LogLine(u"register same-version other-location " + cfg.name + u" (" + package.externalPath +
                u") \u2014 replace");
        if (!deployment.RemovePackage(package.fullName, false).completed)
            return Attempt{kTimeoutResult, u"", true};
    }
    return Attempt{};
}

// After a completed add, exactly one package at the configured version must be there.
Attempt Verify(const MenuCfg& cfg, DeploymentService& deployment) {
    const auto found = deployment.FindPackages(cfg.name, cfg.publisher, false);
    if (found.size() != 1 || found[0].version != cfg.version) {
        LogLine(u"register verify fail " + cfg.name + u" count=" + DecimalText(found.size()));
        return Attempt{kVerifyFailResult, u"", false};
    }
    return Attempt{0, found[0].familyName, false};
}

Attempt AddAndVerify(const MenuCfg& cfg, DeploymentService& deployment) {
    const DeploymentOutcome outcome =
        deployment.AddPackage(FileUri(cfg.packagePath), FileUri(cfg.externalLocation));
    if (!outcome.completed) {
        LogLine(u"register timeout " + cfg.name);
        return Attempt{kTimeoutResult, u"", false};
    }
    if (outcome.extendedError < 0) {
        LogLine(u"register fail " + cfg.name + u" hr=" + UnsignedCode(outcome.extendedError) + u" " +
                outcome.errorText);
        return Attempt{outcome.extendedError, u"", false};
    }
    return Verify(cfg, deployment);
}

Attempt TryRegister(const MenuCfg& cfg, DeploymentService& deployment) {
    try {
        Attempt existing = ReplaceOrKeepExisting(cfg, deployment);
        return existing.finished ? existing : AddAndVerify(cfg, deployment);
    } catch (const DeploymentError& error) {
        LogLine(u"register exception " + cfg.name + u" " + error.message);
        return Attempt{error.code, u"", false};
    } catch (...) {
        return Attempt{kUnknownFailResult, u"", false};
    }
}

} // namespace

int Register(const MenuCfg& cfg, RegistrarServices& services) {
    if (const auto reason = services.skipReason()) {
        LogLine(u"register skip " + cfg.name + u" (" + *reason + u")");
        return kRegistrarSkipped;
    }
    MultithreadedApartment apartment;
    const Attempt attempt = TryRegister(cfg, services.deployment);
    SaveState(cfg, attempt.result, attempt.pfn);
    if (attempt.result != 0)
        return kRegistrarFailed;
    // "register already" has been logged where it was found.
    if (attempt.finished)
        return kRegistrarDone;
    LogLine(u"register ok " + cfg.name + u" " + cfg.version);
    return kRegistrarDone;
}

int Ensure(const MenuCfg& cfg, RegistrarServices& services) {
    if (services.skipReason())
        return kRegistrarSkipped;
    const auto record = ReadStateRecord(cfg.stateKey);
    if (record && EnsureGivesUp(*record, cfg))
        return kRegistrarSkipped;
    return Register(cfg, services);
}
