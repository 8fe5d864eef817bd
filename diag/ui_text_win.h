#pragma once
// Every text the interface draws or shows goes through these helpers: they apply the
// right-to-left reading rule and report the text to the diagnostics log.
#include <windows.h>
#include <string>
#include <string_view>

int DrawUiText(HDC dc, std::u16string_view windowClass, const std::u16string& text, RECT* rect, UINT format);
int ShowUiMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT style);
void NoteUiWindowText(std::u16string_view windowClass, const std::u16string& text);

// Right-to-left languages read from the right and align there, and lay menus out from the
// right, as Windows' own message boxes and menus do for them.
UINT UiMessageBoxStyle(UINT style);
UINT UiMenuTrackFlags(UINT flags);
