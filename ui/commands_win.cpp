#include "ui/commands_win.h"

#include "base/wide_win.h"
#include "diag/state_notice.h"
#include "diag/ui_text_win.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/playback_controls_win.h"
#include "i18n/i18n_win.h"
#include "playlist/playlist_win.h"
#include "ui/frame_win.h"
#include "ui/main_window_win.h"
#include "ui/panel_rows.h"
#include "ui/playback_info_win.h"
#include "ui/shell_state.h"
#include "ui/transport_state.h"
#include "ui/transport_win.h"

std::uint64_t speedMenuClosedTick = 0;

namespace {

struct SpeedEntry {
    int command;
    float speed;
    const wchar_t* label;
    bool fromCatalog;
};

constexpr SpeedEntry kSpeeds[] = {
    {CMD_SPEED_0_5, 0.5f, L"0.5x", false},          {CMD_SPEED_0_75, 0.75f, L"0.75x", false},
    {CMD_SPEED_1_0, 1.0f, L"1.0x (보통)", true},     {CMD_SPEED_1_25, 1.25f, L"1.25x", false},
    {CMD_SPEED_1_5, 1.5f, L"1.5x", false},          {CMD_SPEED_1_75, 1.75f, L"1.75x", false},
    {CMD_SPEED_2_0, 2.0f, L"2.0x", false},          {CMD_SPEED_2_5, 2.5f, L"2.5x", false},
    {CMD_SPEED_3_0, 3.0f, L"3.0x (최대)", true},
};

void StepInList(int delta) {
    StepItem(WindowsPlaylistHost(), delta, static_cast<RepeatMode>(transport.repeatMode));
}

// Menu texts are logged under the system's menu class, like every other text the player shows.
void Append(HMENU menu, int command, const wchar_t* text, UINT flags = 0) {
    NoteUiWindowText(u"#32768", U16(text));
    AppendMenuW(menu, MF_STRING | flags, static_cast<UINT_PTR>(command), text);
}

void AppendCatalog(HMENU menu, int command, const wchar_t* source, UINT flags = 0) {
    Append(menu, command, I18nText(source), flags);
}

void AppendSubmenu(HMENU menu, HMENU sub, const wchar_t* source) {
    const wchar_t* text = I18nText(source);
    NoteUiWindowText(u"#32768", U16(text));
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text);
}

void Separator(HMENU menu) { AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); }

UINT Checked(bool on) { return on ? MF_CHECKED : MF_UNCHECKED; }
UINT Grayed(bool gray) { return gray ? MF_GRAYED : MF_ENABLED; }

HMENU BuildPlaylistMenu() {
    HMENU menu = CreatePopupMenu();
    AppendCatalog(menu, CMD_PLAYLIST_PANEL, L"재생 목록 보기\tL", Checked(shell.playlistVisible));
    Separator(menu);
    AppendCatalog(menu, CMD_OPEN_PLAYLIST, L"재생 목록 열기…");
    AppendCatalog(menu, CMD_SAVE_PLAYLIST, L"재생 목록 저장…");
    AppendCatalog(menu, CMD_CLEAR_PLAYLIST, L"재생 목록 지우기");
    return menu;
}

HMENU BuildRepeatMenu() {
    HMENU menu = CreatePopupMenu();
    AppendCatalog(menu, CMD_REPEAT_OFF, L"끔", Checked(transport.repeatMode == 0));
    AppendCatalog(menu, CMD_REPEAT_ALL, L"전체 반복", Checked(transport.repeatMode == 1));
    AppendCatalog(menu, CMD_REPEAT_ONE, L"한 항목 반복", Checked(transport.repeatMode == 2));
    return menu;
}

HMENU BuildLoopMenu() {
    const bool aSet = transport.loopStart >= 0, bSet = transport.loopEnd >= 0;
    HMENU menu = CreatePopupMenu();
    AppendCatalog(menu, CMD_LOOP_SET_A, L"반복 시작 A 지정\tF5");
    AppendCatalog(menu, CMD_LOOP_SET_B, L"반복 끝 B 지정\tF6");
    AppendCatalog(menu, CMD_LOOP_TOGGLE, L"A-B 반복 켜기/끄기\tF8",
                  Checked(transport.loopActive) | Grayed(!aSet || !bSet));
    AppendCatalog(menu, CMD_LOOP_CLEAR, L"A-B 반복 지우기\tF7", Grayed(!aSet && !bSet));
    return menu;
}

HMENU BuildPlaybackMenu() {
    HMENU menu = CreatePopupMenu();
    AppendCatalog(menu, CMD_PLAY_PAUSE, engine.paused ? L"재생\tSpace" : L"일시 정지\tSpace");
    AppendCatalog(menu, CMD_STOP, L"정지");
    Separator(menu);
    AppendCatalog(menu, CMD_PREVIOUS, L"이전\tP");
    AppendCatalog(menu, CMD_NEXT, L"다음\tN");
    Separator(menu);
    AppendCatalog(menu, CMD_BACK_10, L"10초 뒤로\t←");
    AppendCatalog(menu, CMD_FORWARD_10, L"10초 앞으로\t→");
    AppendCatalog(menu, CMD_GO_TO_START, L"처음으로");
    Separator(menu);
    AppendSubmenu(menu, BuildRepeatMenu(), L"반복\tR");
    AppendSubmenu(menu, BuildLoopMenu(), L"A-B 반복");
    return menu;
}

HMENU BuildViewMenu() {
    HMENU menu = CreatePopupMenu();
    AppendCatalog(menu, CMD_FULLSCREEN, L"전체 화면\tF", Checked(shell.isFullscreen));
    AppendCatalog(menu, CMD_PLAYLIST_PANEL, L"재생 목록 창\tL", Checked(shell.playlistVisible));
    return menu;
}

HMENU BuildAudioMenu() {
    HMENU menu = CreatePopupMenu();
    AppendCatalog(menu, CMD_MUTE, L"음소거\tM", Checked(engine.muted));
    AppendCatalog(menu, CMD_VOLUME_UP, L"볼륨 +\t↑");
    AppendCatalog(menu, CMD_VOLUME_DOWN, L"볼륨 −\t↓");
    return menu;
}

int TrackMenu(HMENU menu, int x, int y, UINT flags) {
    HideTooltip();
    shell.menuOpen = true;
    NotifyStateChanged();
    const int chosen = static_cast<int>(
        TrackPopupMenu(menu, UiMenuTrackFlags(TPM_RETURNCMD | flags), x, y, 0, ui.main, nullptr));
    DestroyMenu(menu);
    shell.menuOpen = false;
    NotifyStateChanged();
    return chosen;
}

void SetSpeedCommand(int number) {
    for (const auto& entry : kSpeeds) {
        if (entry.command == number)
            SetSpeed(entry.speed);
    }
}

void AfterRepaint(void (*action)()) {
    action();
    RepaintAll();
}

bool DispatchPlaybackCommand(int number) {
    switch (number) {
    case CMD_PLAY_PAUSE: PlayPause(); return true;
    case CMD_STOP: AfterRepaint(Stop); return true;
    case CMD_PREVIOUS: StepInList(-1); return true;
    case CMD_NEXT: StepInList(+1); return true;
    case CMD_BACK_10: AfterRepaint([] { SeekBy(-10); }); return true;
    case CMD_FORWARD_10: AfterRepaint([] { SeekBy(+10); }); return true;
    case CMD_GO_TO_START: AfterRepaint([] { SeekTo(0); }); return true;
    case CMD_MUTE: AfterRepaint(ToggleMute); return true;
    case CMD_VOLUME_UP: AfterRepaint([] { StepVolume(+0.06f); }); return true;
    case CMD_VOLUME_DOWN: AfterRepaint([] { StepVolume(-0.06f); }); return true;
    case CMD_REPEAT_OFF:
    case CMD_REPEAT_ALL:
    case CMD_REPEAT_ONE: SetRepeatMode(number - CMD_REPEAT_OFF); return true;
    case CMD_LOOP_SET_A: SetLoopStart(); return true;
    case CMD_LOOP_SET_B: SetLoopEnd(); return true;
    case CMD_LOOP_TOGGLE: ToggleLoop(); return true;
    case CMD_LOOP_CLEAR: ClearLoop(); return true;
    }
    return false;
}

bool DispatchSpeedCommand(int number) {
    if (number >= CMD_SPEED_0_5 && number <= CMD_SPEED_3_0) {
        SetSpeedCommand(number);
        return true;
    }
    switch (number) {
    case CMD_SPEED_NORMAL_PREVIOUS: AfterRepaint(ToggleNormalSpeed); return true;
    case CMD_SPEED_SLOWER: AfterRepaint([] { StepSpeed(-0.1f); }); return true;
    case CMD_SPEED_FASTER: AfterRepaint([] { StepSpeed(+0.1f); }); return true;
    }
    return false;
}

void DispatchShellCommand(int number) {
    switch (number) {
    case CMD_OPEN_FILE: ShowOpenFileDialog(); break;
    case CMD_OPEN_FOLDER: ShowAddFolderDialog(); break;
    case CMD_EXIT:
        if (ui.main)
            PostMessageW(ui.main, WM_CLOSE, 0, 0);
        break;
    case CMD_FULLSCREEN: ToggleFullscreen(); break;
    case CMD_PLAYLIST_PANEL: TogglePlaylistPanel(); break;
    case CMD_OPEN_PLAYLIST: OpenPlaylistFile(); break;
    case CMD_SAVE_PLAYLIST: SavePlaylistFile(); break;
    case CMD_CLEAR_PLAYLIST:
        ClearPlaylist();
        ResetPanelScroll();
        break;
    case CMD_PLAYBACK_INFO: ShowPlaybackInfo(); break;
    default: break; // a number outside the table does nothing
    }
}

} // namespace

void DispatchCommand(int number) {
    if (!DispatchPlaybackCommand(number) && !DispatchSpeedCommand(number))
        DispatchShellCommand(number);
    NotifyStateChanged();
}

HMENU BuildSpeedMenu() {
    HMENU menu = CreatePopupMenu();
    AppendCatalog(menu, CMD_SPEED_NORMAL_PREVIOUS, L"보통/이전 속도\tZ");
    AppendCatalog(menu, CMD_SPEED_SLOWER, L"느리게\tX");
    AppendCatalog(menu, CMD_SPEED_FASTER, L"빠르게\tC");
    Separator(menu);
    for (const auto& entry : kSpeeds) {
        const bool checked = engine.speed > entry.speed - 0.01f && engine.speed < entry.speed + 0.01f;
        const wchar_t* text = entry.fromCatalog ? I18nText(entry.label) : entry.label;
        Append(menu, entry.command, text, Checked(checked));
    }
    return menu;
}

HMENU BuildContextMenu() {
    HMENU menu = CreatePopupMenu();
    AppendCatalog(menu, CMD_OPEN_FILE, L"파일 열기…");
    AppendCatalog(menu, CMD_OPEN_FOLDER, L"폴더 열기…");
    AppendSubmenu(menu, BuildPlaylistMenu(), L"재생 목록");
    Separator(menu);
    AppendSubmenu(menu, BuildPlaybackMenu(), L"재생 제어");
    AppendSubmenu(menu, BuildSpeedMenu(), L"재생 속도");
    AppendSubmenu(menu, BuildViewMenu(), L"보기");
    AppendSubmenu(menu, BuildAudioMenu(), L"오디오");
    Separator(menu);
    AppendCatalog(menu, CMD_PLAYBACK_INFO, L"재생 정보…\tTab");
    Separator(menu);
    AppendCatalog(menu, CMD_EXIT, L"끝내기\tAlt+F4");
    return menu;
}

void ShowContextMenu(int x, int y) {
    const int chosen = TrackMenu(BuildContextMenu(), x, y, TPM_RIGHTBUTTON);
    if (chosen != 0)
        DispatchCommand(chosen);
}

void ShowSpeedMenu(int x, int y) {
    const int chosen = TrackMenu(BuildSpeedMenu(), x, y, TPM_BOTTOMALIGN);
    if (chosen >= CMD_SPEED_0_5 && chosen <= CMD_SPEED_FASTER) {
        DispatchCommand(chosen);
        RepaintAll();
        return;
    }
    // Dismissed by a click on the speed button itself: that click must not open it again.
    POINT cursor{};
    GetCursorPos(&cursor);
    const RECT button{x, y, x + 44, y + 44};
    if (chosen == 0 && PtInRect(&button, cursor))
        speedMenuClosedTick = GetTickCount64();
}
