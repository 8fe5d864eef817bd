#pragma once
// Starting the player as a child of the user's desktop shell rather than of Explorer's surrogate.
#include <windows.h>

#include <string>

// Runs exe with args in dir through the desktop's IShellDispatch2::ShellExecute ("open", normal
// window). The first failing step's result is returned; a step that yields no object is E_FAIL.
HRESULT SpawnViaDesktop(const std::wstring& exe, const wchar_t* args, const wchar_t* dir);

// Appends the line and a line feed, as UTF-8, to the file (created if missing); failures are silent.
void AppendSpawnLog(const std::wstring& path, const std::u16string& line);
