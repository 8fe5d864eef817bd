#include "registrar/state_record_win.h"

#include <windows.h>

#include <vector>

#include "base/wide_win.h"

namespace {

constexpr DWORD kSavedVerUnits = 64;        // "Ver" compared for a repeat: up to 63 characters
constexpr DWORD kSavedInstallIdUnits = 128; // "InstallId" compared for a repeat: up to 127 characters
constexpr DWORD kEnsureTextUnits = 512;     // ensure reads both with up to 511 characters

// A REG_SZ value that fits the given number of characters (terminator included), else nullopt.
std::optional<std::u16string> ReadText(HKEY key, const wchar_t* name, DWORD units) {
    std::vector<wchar_t> buffer(units + 1, L'\0');
    DWORD type = 0;
    DWORD bytes = units * sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return U16(buffer.data()); // stops at the first terminator, stored or added
}

std::optional<std::uint32_t> ReadNumber(HKEY key, const wchar_t* name) {
    DWORD value = 0;
    DWORD type = 0;
    DWORD bytes = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

void WriteText(HKEY key, const wchar_t* name, const std::u16string& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

void WriteNumber(HKEY key, const wchar_t* name, std::uint32_t value) {
    const DWORD v = value;
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

} // namespace

void SaveState(const MenuCfg& cfg, std::int32_t hr, const std::u16string& pfn) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(cfg.stateKey), 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const auto oldVer = ReadText(key, L"Ver", kSavedVerUnits);
    const auto oldInstallId = ReadText(key, L"InstallId", kSavedInstallIdUnits);
    const bool repeat = oldVer == cfg.version && oldInstallId == cfg.installId;
    const auto oldTries = ReadNumber(key, L"Tries");
    WriteText(key, L"Ver", cfg.version);
    WriteText(key, L"InstallId", cfg.installId);
    WriteText(key, L"Pfn", pfn);
    WriteNumber(key, L"Hr", static_cast<std::uint32_t>(hr));
    WriteNumber(key, L"Tries", NextTries(hr, repeat, oldTries));
    RegCloseKey(key);
}

std::optional<StateRecord> ReadStateRecord(const std::u16string& stateKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(stateKey), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    StateRecord record;
    record.ver = ReadText(key, L"Ver", kEnsureTextUnits);
    record.installId = ReadText(key, L"InstallId", kEnsureTextUnits);
    record.hr = ReadNumber(key, L"Hr");
    record.tries = ReadNumber(key, L"Tries");
    RegCloseKey(key);
    return record;
}
