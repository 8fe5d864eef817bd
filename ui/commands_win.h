#pragma once
// Every user action ends in one of these numbered commands: the dispatcher, the keyboard hook
// and the two pop-up menus. Building a menu is kept apart from tracking it, so a built menu can
// be inspected.
#include <windows.h>

#include <cstdint>

enum Command : int {
    CMD_OPEN_FILE = 100,
    CMD_OPEN_FOLDER = 101,
    CMD_EXIT = 103,
    CMD_PLAY_PAUSE = 104,
    CMD_STOP = 105,
    CMD_PREVIOUS = 106,
    CMD_NEXT = 107,
    CMD_BACK_10 = 108,
    CMD_FORWARD_10 = 109,
    CMD_GO_TO_START = 110,
    CMD_FULLSCREEN = 111,
    CMD_PLAYLIST_PANEL = 112,
    CMD_MUTE = 113,
    CMD_VOLUME_UP = 114,
    CMD_VOLUME_DOWN = 115,
    CMD_REPEAT_OFF = 116,
    CMD_REPEAT_ALL = 117,
    CMD_REPEAT_ONE = 118,
    CMD_LOOP_SET_A = 119,
    CMD_LOOP_SET_B = 120,
    CMD_LOOP_TOGGLE = 121,
    CMD_LOOP_CLEAR = 122,
    CMD_OPEN_PLAYLIST = 123,
    CMD_SAVE_PLAYLIST = 124,
    CMD_CLEAR_PLAYLIST = 125,
    CMD_PLAYBACK_INFO = 126,
    CMD_SPEED_0_5 = 200,
    CMD_SPEED_0_75 = 201,
    CMD_SPEED_1_0 = 202,
    CMD_SPEED_1_25 = 203,
    CMD_SPEED_1_5 = 204,
    CMD_SPEED_1_75 = 205,
    CMD_SPEED_2_0 = 206,
    CMD_SPEED_2_5 = 207,
    CMD_SPEED_3_0 = 208,
    CMD_SPEED_NORMAL_PREVIOUS = 209,
    CMD_SPEED_SLOWER = 210,
    CMD_SPEED_FASTER = 211,
};

void DispatchCommand(int number);

// The context menu: built from the current state, tracked at a screen point, its choice
// dispatched.
HMENU BuildContextMenu();
void ShowContextMenu(int x, int y);

HMENU BuildSpeedMenu();
// Opens the speed menu upwards from the speed button's top-left corner (screen point).
void ShowSpeedMenu(int x, int y);
extern std::uint64_t speedMenuClosedTick;

// The thread keyboard hook of the user-interface thread.
bool InstallKeyboardHook();
void RemoveKeyboardHook();
