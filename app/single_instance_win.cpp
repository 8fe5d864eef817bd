#include "app/single_instance_win.h"

#include <windows.h>

#include "app/command_line.h"
#include "app/handoff.h"
#include "ui/main_window_win.h"

namespace {

// The first instance may still be starting: its mutex exists before its window does.
HWND FindFirstInstanceWindow() {
    for (int attempt = 0; attempt < kWindowSearchAttempts; ++attempt) {
        if (HWND found = FindWindowW(kMainClass, nullptr))
            return found;
        Sleep(kWindowSearchPauseMs);
    }
    return nullptr;
}

void SendHandoff(HWND target, const std::vector<std::u16string>& files) {
    const std::u16string payload = BuildHandoffPayload(files);
    COPYDATASTRUCT data{};
    data.dwData = kHandoffDataTag;
    data.cbData = static_cast<DWORD>(payload.size() * sizeof(char16_t));
    data.lpData = const_cast<char16_t*>(payload.data());
    DWORD_PTR result = 0;
    SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_BLOCK | SMTO_ABORTIFHUNG,
                        kHandoffTimeoutMs, &result);
}

void ForwardTo(HWND target, const std::vector<std::u16string>& args) {
    const auto files = CollectFileArguments(args);
    if (IsIconic(target))
        ShowWindow(target, SW_RESTORE);
    SetForegroundWindow(target);
    if (!files.empty())
        SendHandoff(target, files);
}

} // namespace

InstanceRole ClaimSingleInstance(const std::vector<std::u16string>& args) {
    // The handle stays open for the life of the process; the system releases it at exit.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kSingletonMutexName);
    if (mutex == nullptr || WaitForSingleObject(mutex, 0) != WAIT_TIMEOUT)
        return InstanceRole::First;
    HWND target = FindFirstInstanceWindow();
    if (target == nullptr || !IsWindow(target))
        return InstanceRole::Independent;
    ForwardTo(target, args);
    return InstanceRole::Forwarded;
}
