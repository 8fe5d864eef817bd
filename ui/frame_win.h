#pragma once
// Fullscreen on the monitor the window is on, with bars that hide after a while without mouse
// movement, and the playlist panel toggle.
#include <windows.h>

void ToggleFullscreen();
void TogglePlaylistPanel();

// A mouse move over the main window or the picture: in fullscreen it shows the bars again.
void NoteMouseActivity();
// The interface tick's step: hides the bars in fullscreen after 2.5 s without movement.
void AutoHideControls();

// The compact music size: applied when an audio item shows in a normal window, undone when a
// video shows or the list is cleared. Run when an open completes, on a restore, when leaving
// fullscreen and when the list is cleared.
void UpdateCompactSize();

// In the compact music size the panel widens or narrows the window by its own width.
void ResizeForPanel(HWND window, bool panelShown);
