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
