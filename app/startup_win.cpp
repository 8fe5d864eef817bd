#include "app/startup_win.h"

#include <windows.h>
#include <objbase.h>
#include <mfapi.h>

#include <optional>

#include "app/app_options.h"
#include "app/command_line.h"
#include "app/diag_state_win.h"
#include "app/layers_win.h"
#include "app/menu_registrar_start_win.h"
#include "app/single_instance_win.h"
#include "app/updater_start_win.h"
#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "playlist/playlist_win.h"
#include "diag/ui_text_win.h"
#include "i18n/i18n_win.h"
#include "ui/commands_win.h"
#include "ui/main_window_win.h"
#include "ui/playback_info_win.h"
#include "ui/shell_state.h"
#include "update/installing_guard_win.h"
#include "update/probe_win.h"

namespace {

constexpr ULONGLONG kProbePaintWaitMs = 9999;
constexpr DWORD kProbeIdleSleepMs = 15;

std::vector<std::u16string> ArgumentsAfterProgram(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        const std::wstring wide = argv[i] ? WideFromUtf8(argv[i]) : std::wstring();
        args.push_back(U16(wide.c_str(), wide.size()));
    }
    return args;
}

std::optional<std::u16string> ReadEnvironment(const wchar_t* name) {
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0)
        return std::nullopt;
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), needed);
    if (length >= needed)
        return std::nullopt; // changed under us; treat as unset
    return U16(value.c_str(), length);
}

void ReadStartupSwitches(const std::vector<std::u16string>& args) {
    engine.engineKind = ChooseEngineKind(ReadEnvironment(L"JK_ENGINE"));
    engine.noEndDefer = DragSwitchOn(ReadEnvironment(L"JK_PLAYER_NOENDDEFER"));
    engine.dragOld = DragSwitchOn(ReadEnvironment(L"JK_PLAYER_OLDDRAG"));
    appOptions.probeMode = IsProbeMode(args);
}

void ShowMainWindow(HWND main, HINSTANCE instance) {
    if (HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(1))) {
        SendMessageW(main, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(main, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    NoteUiWindowText(u"JaskelMFPlayer", U16(I18nText(L"Jaskel Player")));
    ShowWindow(main, appOptions.probeMode ? SW_SHOWNOACTIVATE : SW_SHOW);
    LayoutChildren(main);
}

// Probe mode proves the new program can draw: wait (at most 10 s) for one real paint.
bool WaitForFirstPaint(HWND main) {
    UpdateWindow(main);
    const ULONGLONG start = GetTickCount64();
    while (shell.paintCount == 0 && GetTickCount64() - start <= kProbePaintWaitMs) {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            InvalidateRect(main, nullptr, FALSE);
            UpdateWindow(main);
            Sleep(kProbeIdleSleepMs);
        }
    }
    return shell.paintCount > 0;
}

// Only the process that creates the updater mutex first may run the background updater.
bool ClaimUpdaterRole() {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\JaskelPlayer.Updater");
    if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    return mutex != nullptr;
}

void RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void ShutDownMedia() {
    MFShutdown();
    CoUninitialize();
}

} // namespace

int RunPlayer(int argc, char** argv) {
    const std::vector<std::u16string> args = ArgumentsAfterProgram(argc, argv);
    if (InstallingGuard(args, I18nText(L"Jaskel Player")))
        return kExitOk;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return kExitComFailed;
    MFStartup(MF_VERSION, MFSTARTUP_FULL);
    ReadStartupSwitches(args);
    if (!appOptions.probeMode && ClaimSingleInstance(args) == InstanceRole::Forwarded) {
        ShutDownMedia();
        return kExitOk;
    }

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterMainWindowClass(instance, appOptions.probeMode, LoadIconW(instance, MAKEINTRESOURCEW(1)));
    HWND main = CreateMainWindow(instance, appOptions.probeMode);
    if (main == nullptr) {
        CoUninitialize();
        return kExitNoWindow;
    }
    ui.main = main;
    ConnectLayers();
    ShowMainWindow(main, instance);
    InstallKeyboardHook();
    UpdateWindowTitle();
    if (!CreateEngineAtStartup(main)) {
        CoUninitialize();
        return kExitNoEngineCallback;
    }

    if (appOptions.probeMode) {
        if (!WaitForFirstPaint(main)) {
            ShutDownMedia();
            return kExitNoWindow;
        }
        WriteDiagState();
        RunUpdProbe(args);
    }
    const std::vector<std::u16string> files = CollectFileArguments(args);
    if (!files.empty())
        OpenPathsFromUser(files);
    if (!appOptions.probeMode && ClaimUpdaterRole())
        StartPlayerUpdater(main, args);
    if (!appOptions.probeMode)
        StartMenuRegistrar(kMenuRegistrarSubkey);
    WriteDiagState();
    RunMessageLoop();
    ShutDownMedia();
    return kExitOk;
}
