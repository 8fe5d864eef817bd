#pragma once
// The on-screen display's message: what it says and until when. The OSD window itself places
// and paints it on WM_APP_SHOW_OSD.
#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/osd_life.h"

struct OsdState {
    std::u16string text;      // the last message; kept after the OSD hides
    std::uint64_t hideTick = 0; // GetTickCount64 time after which the tick hides it
    long count = 0;             // messages shown since the start (diagnostics)
};

extern OsdState osd;


// Sets the message and its hide time and posts WM_APP_SHOW_OSD to the main window.
void ShowOsd(const std::u16string& text);

// WM_APP_SHOW_OSD: sizes the OSD window to the message and shows it at the picture's top-left
// corner, without activating it.
void PlaceOsd();
// The interface tick's step: hides the OSD once its time is up.
void HideOsdWhenDue();

LRESULT CALLBACK OsdWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
