#pragma once
// The control bar's painting and mouse handling. The main window paints it (PaintControlBar in
// ui/main_window_win.h) and routes its mouse messages here; the geometry is ui/control_bar.h.
#include <windows.h>

// Fills rect, clipped to a rounded rectangle with the given corner size, with the accent
// gradient from (0, 208, 255) at the top to (38, 160, 255) at the bottom. The caller's clip
// region is kept; nothing is drawn for an empty rectangle.
void FillRoundedGradient(HDC dc, const RECT& rect, int corner);

// The main window's left button press in the control-bar part of its client area.
void OnControlBarButtonDown(HWND main, POINT point);
// Any mouse move over the main window: a drag in progress, else the hovered zone.
void OnControlBarMouseMove(HWND main, POINT point);
// The left button's release: ends a seek or volume drag or a held play button.
void OnControlBarButtonUp(HWND main);
