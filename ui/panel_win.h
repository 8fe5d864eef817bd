#pragma once
// The playlist panel: the column at the right of the main window that lists the playlist in its
// two groups, plays an item on a click, scrolls by the wheel and takes dropped files.
#include <windows.h>

// Context-menu commands.
inline constexpr UINT kPanelMenuPlay = 1;
inline constexpr UINT kPanelMenuRemove = 2;
inline constexpr UINT kPanelMenuClear = 3;

LRESULT CALLBACK PanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
