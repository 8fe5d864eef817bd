#pragma once
// The player's keyboard shortcuts (Windows virtual-key codes) and when the keyboard hook acts on
// a keystroke. Portable, so the table and the rule are tested on their own.
#include <optional>

enum class KeyAction {
    PlaybackInfo,
    Fullscreen,
    Escape, // leaves fullscreen, or closes the player
    PlayPause,
    SeekBack,
    SeekForward,
    VolumeUp,
    VolumeDown,
    Faster,
    Slower,
    PlaylistPanel,
    Mute,
    Next,
    Previous,
    CycleRepeat,
    NormalSpeed,
    LoopStart,
    LoopEnd,
    LoopClear,
    LoopToggle,
};

struct KeyBinding {
    KeyAction action;
    bool actsOnRepeat; // an auto-repeated key-down acts too
};

std::optional<KeyBinding> LookUpKey(unsigned virtualKey);

struct KeyEvent {
    bool isAction = true; // the hook code is HC_ACTION
    bool released = false; // bit 31 of lParam
    bool repeat = false;   // bit 30: the key was already down
    unsigned virtualKey = 0;
};

// Who has the keyboard: the player's main window, active and without a pop-up menu being tracked,
// or something else of the player's thread (a file dialog, a message box, a menu).
struct KeyboardOwner {
    bool mainWindowActive = false;
    bool menuTracked = false;
};

enum class HookDecision {
    PassOn,  // the key goes on to the window that has the focus
    Swallow, // a listed key held down: consumed without acting again
    Act,     // the listed action runs and the key is consumed
};

// Keys reach the player only while its main window has the keyboard; in its own dialogs and
// menus every key goes on, so a file name can hold an N and Escape closes just the menu.
HookDecision DecideKey(const KeyEvent& key, const KeyboardOwner& owner);
