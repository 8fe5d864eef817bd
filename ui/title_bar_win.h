#pragma once
// The main window's own frame: no system caption, the system's resize borders at the left,
// right and bottom, and a painted title bar whose caption buttons act on the press.
#include <windows.h>

// WM_NCCALCSIZE, WM_NCHITTEST and WM_GETMINMAXINFO of the main window; false leaves the message
// to the system.
bool HandleFrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// A left press in the title band: a caption button acts at once. False when the point is on no
// button (or the window is fullscreen, where there is no title bar).
bool PressCaptionButton(HWND window, POINT client);
