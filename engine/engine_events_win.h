#pragma once
// What the engine needs from the layers above it, filled in once at start-up by the program's
// top layer: the windows it reports to, and the notices by which it asks them to act. The engine
// never includes their headers; every notice left empty simply does nothing.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

inline constexpr UINT WM_APP_SCAN_RESULT = WM_APP + 9;
inline constexpr UINT WM_APP_VIDEO_FRAME = WM_APP + 20;

struct EngineEvents {
    HWND main = nullptr;  // receives WM_APP_SCAN_RESULT; owns the engine's message boxes
    HWND video = nullptr; // receives WM_APP_VIDEO_FRAME; the MFPlay player draws into it
    // Set once the main window begins closing; the scan threads read it.
    const std::atomic<bool>* windowClosing = nullptr;
    std::function<void()> repaintAll;
    std::function<void()> layoutChildren;
    // An open completed and whether the media has a picture is known (the window may take on or
    // give up its compact music size).
    std::function<void()> mediaReady;
    // A new media is being opened: whatever belonged to the previous one (a seek drag, the A-B
    // loop, the title) is reset.
    std::function<void()> mediaChanging;
    std::function<bool()> seekDragging; // the user is dragging the seek bar
    // The current media ended: the playlist decides what comes next. True when the end of the
    // list was reached and playback holds.
    std::function<bool()> endOfMedia;
    // A short message for the on-screen display (a refused seek).
    std::function<void(const std::u16string& text)> showOsd;
};

extern EngineEvents engineEvents;

inline void EngineRepaintAll() {
    if (engineEvents.repaintAll)
        engineEvents.repaintAll();
}

inline void EngineLayoutChildren() {
    if (engineEvents.layoutChildren)
        engineEvents.layoutChildren();
}

inline void EngineMediaReady() {
    if (engineEvents.mediaReady)
        engineEvents.mediaReady();
}

inline bool EngineWindowClosing() { return engineEvents.windowClosing && engineEvents.windowClosing->load(); }
