#include "registrar/maintenance_win.h"

#include <windows.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <optional>

#include "base/proc_address_win.h"
#include "base/wide_win.h"
#include "registrar/registrar_command.h"
#include "registrar/registrar_log_win.h"
#include "registrar/registrar_rules.h"

namespace {

using QueryProcessFn = LONG(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

constexpr PROCESSINFOCLASS kProcessCommandLineInformation = static_cast<PROCESSINFOCLASS>(60);
constexpr ULONG kLargestCommandLineBytes = 1024 * 1024;
constexpr DWORD kTerminationWaitMs = 10000;
constexpr ULONG kFirstReadBytes = 8192;

// A process's command line, read with limited query rights; nullopt when it cannot be read or is
// 1 MiB or longer.
std::optional<std::wstring> CommandLineOf(DWORD processId) {
    static const auto query =
        ProcAddress<QueryProcessFn>(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (query == nullptr || process == nullptr) {
        if (process)
            CloseHandle(process);
        return std::nullopt;
    }
    // Most command lines fit the first buffer; a longer one is read again at its size.
    std::vector<BYTE> buffer(kFirstReadBytes);
    ULONG needed = 0;
    LONG status = query(process, kProcessCommandLineInformation, buffer.data(), kFirstReadBytes, &needed);
    if (status < 0 && needed > kFirstReadBytes && needed < kLargestCommandLineBytes) {
        buffer.resize(needed);
        status = query(process, kProcessCommandLineInformation, buffer.data(), needed, &needed);
    }
    std::optional<std::wstring> line;
    const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    if (status >= 0 && text->Length < kLargestCommandLineBytes)
        line = std::wstring(text->Buffer, text->Length / sizeof(wchar_t));

    CloseHandle(process);
    return line;
}

bool MatchesAnyPattern(const std::wstring& commandLine, const std::vector<std::u16string>& patterns) {
    for (const auto& pattern : patterns) {
        if (!pattern.empty() && StrStrIW(commandLine.c_str(), Wide(pattern)) != nullptr)
            return true;
    }
    return false;
}

// A surrogate that holds the library: dllhost.exe with a pattern in its command line.
HANDLE EndIfHolding(const PROCESSENTRY32W& entry, const std::vector<std::u16string>& patterns) {
    if (lstrcmpiW(entry.szExeFile, L"dllhost.exe") != 0)
        return nullptr;
    const auto commandLine = CommandLineOf(entry.th32ProcessID);
    if (!commandLine || !MatchesAnyPattern(*commandLine, patterns))
        return nullptr;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
    if (process != nullptr && !TerminateProcess(process, 0)) {
        CloseHandle(process);
        return nullptr;
    }
    return process;
}

} // namespace

int StopLock(const std::vector<std::u16string>& patterns) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return kRegistrarFailed;
    std::vector<HANDLE> ended;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (HANDLE process = EndIfHolding(entry, patterns))
            ended.push_back(process);
    }
    CloseHandle(snapshot);
    for (HANDLE process : ended) {
        WaitForSingleObject(process, kTerminationWaitMs);
        CloseHandle(process);
    }
    LogLine(u"stoplock terminated=" + DecimalText(ended.size()));
    return kRegistrarDone;
}
