#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Starts the player's background updater; start-up calls it only in the process that holds the
// updater role. args: the program's arguments without its name.
void StartPlayerUpdater(HWND mainWindow, const std::vector<std::u16string>& args);
