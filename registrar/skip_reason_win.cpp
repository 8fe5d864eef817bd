#include "registrar/skip_reason_win.h"

#include <windows.h>

#include "base/proc_address_win.h"
#include "registrar/registrar_rules.h"

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

// GetVersionEx lies to programs without a manifest; the kernel's own answer does not.
std::optional<std::uint32_t> BuildNumber() {
    const auto getVersion = ProcAddress<RtlGetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    if (getVersion == nullptr)
        return std::nullopt;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (getVersion(&info) != 0)
        return std::nullopt;
    return info.dwBuildNumber;
}

bool ClassicMenuForced() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Classes\\CLSID\\{86ca1aa0-34aa-4e8b-a509-50c905bae2a2}\\InprocServer32", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace

std::optional<std::u16string> SystemSkipReason() {
    SystemFacts facts;
    facts.buildNumber = BuildNumber();
    facts.safeMode = GetSystemMetrics(SM_CLEANBOOT) != 0;
    facts.classicMenuForced = ClassicMenuForced();
    return SkipReasonFor(facts);
}
