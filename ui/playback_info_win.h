#pragma once
// The current item by name: the window's text (taskbar, window switcher) and the playback-info
// message box.
#include <string>

#include "ui/item_text.h"

// The text the main window has now (also what its title bar names).
std::u16string CurrentTitleText();

void UpdateWindowTitle();
void ShowPlaybackInfo();
