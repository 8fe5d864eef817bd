#pragma once
// The tooltips that name the control-bar buttons: shown by the interface tick after 400 ms of
// hovering, above the button (below it at the top of the work area).
#include <windows.h>

#include <string>

extern std::u16string tooltipText;

inline constexpr ULONGLONG kTooltipDelayMs = 400;

// The tooltip's text for a zone (0-10), from the catalog; empty for any other id.
std::u16string TooltipTextFor(int zone);
void ShowTooltip(int zone);
// The interface tick's step: a tooltip for the zone hovered long enough.
void ShowTooltipWhenDue();

LRESULT CALLBACK TipWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
