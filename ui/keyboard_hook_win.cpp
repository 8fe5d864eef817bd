// The thread keyboard hook: the player's shortcuts, without an accelerator table. It acts only
// while the player's main window has the keyboard, so its own dialogs and menus get every key.
#include <windows.h>

#include "diag/state_notice.h"
#include "playlist/playlist_win.h"
#include "ui/commands_win.h"
#include "ui/frame_win.h"
#include "ui/key_table.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"
#include "ui/transport_state.h"
#include "ui/transport_win.h"

namespace {

HHOOK keyboardHook = nullptr;

bool CtrlHeld() { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }

// A pop-up menu of this thread being tracked (the player's own flag covers its menus; the
// system's flags cover the playlist panel's menu and the window menu).
bool MenuTracked() {
    GUITHREADINFO info{sizeof info};
    const bool systemSaysSo = GetGUIThreadInfo(GetCurrentThreadId(), &info) &&
                              (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) != 0;
    return shell.menuOpen || systemSaysSo;
}

void Seek(double seconds) {
    SeekBy(seconds);
    ShowSeekOsd(seconds);
}

void WithRepaint(void (*action)()) {
    action();
    RepaintAll();
}

void RunTransportKey(KeyAction action) {
    switch (action) {
    case KeyAction::SeekBack: Seek(CtrlHeld() ? -30 : -5); break;
    case KeyAction::SeekForward: Seek(CtrlHeld() ? 30 : 5); break;
    case KeyAction::VolumeUp: WithRepaint([] { StepVolume(+0.06f); }); break;
    case KeyAction::VolumeDown: WithRepaint([] { StepVolume(-0.06f); }); break;
    case KeyAction::Faster: WithRepaint([] { StepSpeed(+0.1f); }); break;
    case KeyAction::Slower: WithRepaint([] { StepSpeed(-0.1f); }); break;
    case KeyAction::Mute: WithRepaint(ToggleMute); break;
    case KeyAction::CycleRepeat: WithRepaint(CycleRepeatMode); break;
    case KeyAction::NormalSpeed: WithRepaint(ToggleNormalSpeed); break;
    case KeyAction::LoopStart: SetLoopStart(); break;
    case KeyAction::LoopEnd: SetLoopEnd(); break;
    case KeyAction::LoopClear: ClearLoop(); break;
    case KeyAction::LoopToggle: ToggleLoop(); break;
    default: break;
    }
}

void RunKey(KeyAction action) {
    switch (action) {
    case KeyAction::PlaybackInfo: DispatchCommand(CMD_PLAYBACK_INFO); break;
    case KeyAction::Fullscreen: DispatchCommand(CMD_FULLSCREEN); break;
    case KeyAction::Escape:
        if (shell.isFullscreen)
            DispatchCommand(CMD_FULLSCREEN);
        else if (ui.main)
            PostMessageW(ui.main, WM_CLOSE, 0, 0);
        break;
    case KeyAction::PlayPause: DispatchCommand(CMD_PLAY_PAUSE); break;
    case KeyAction::PlaylistPanel: TogglePlaylistPanel(); break;
    case KeyAction::Next: DispatchCommand(CMD_NEXT); break;
    case KeyAction::Previous: DispatchCommand(CMD_PREVIOUS); break;
    default: RunTransportKey(action); break;
    }
    NotifyStateChanged();
}

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
    KeyEvent key;
    key.isAction = code == HC_ACTION;
    key.released = (static_cast<DWORD>(lParam) & 0x80000000u) != 0;
    key.repeat = (static_cast<DWORD>(lParam) & 0x40000000u) != 0;
    key.virtualKey = static_cast<unsigned>(wParam);
    const KeyboardOwner owner{ui.main != nullptr && GetActiveWindow() == ui.main, MenuTracked()};
    switch (DecideKey(key, owner)) {
    case HookDecision::PassOn: return CallNextHookEx(keyboardHook, code, wParam, lParam);
    case HookDecision::Swallow: return 1;
    case HookDecision::Act: break;
    }
    try {
        RunKey(LookUpKey(key.virtualKey)->action);
    } catch (...) {
        // Out of memory while showing a message: the key is lost, the player goes on.
    }
    return 1;
}

} // namespace

bool InstallKeyboardHook() {
    if (keyboardHook == nullptr)
        keyboardHook = SetWindowsHookExW(WH_KEYBOARD, KeyboardHookProc, nullptr, GetCurrentThreadId());
    return keyboardHook != nullptr;
}

void RemoveKeyboardHook() {
    if (keyboardHook != nullptr)
        UnhookWindowsHookEx(keyboardHook);
    keyboardHook = nullptr;
}
