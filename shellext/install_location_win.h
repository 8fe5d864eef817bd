#pragma once
// Where the player is installed, as the context-menu library finds it each time it is asked.
#include <windows.h>

#include <string>

// The library's own module handle, kept by its entry point.
void SetShellextModule(HMODULE module);

// A file ".jk-devtree" beside the library marks a development tree.
bool InDevTree();

// An environment variable that counts only in a development tree; values of 2,048 characters or
// more count as empty.
std::wstring DevEnv(const wchar_t* name);

// The player's install folder without trailing separators: JK_W11_INSTALLDIR in a development
// tree, else the uninstall key's "InstallLocation" (64-bit view, then 32-bit); empty when unknown.
std::wstring InstallDir();

// "<InstallDir>\Jaskel Player.exe" when that file exists, else empty.
std::wstring PlayerExePath();

// The player's first icon ("<exe>,0"), empty without the player.
std::wstring IconLocation();
