#pragma once
// The current item by name: the window's text (taskbar, window switcher) and the playback-info
// message box.
#include <string>

// The part of the path after its last separator (PathFindFileNameW), or the whole path when
// that part is empty.
std::u16string DisplayName(const std::u16string& path);

void UpdateWindowTitle();
void ShowPlaybackInfo();
