#pragma once
// The current item by name and the texts built from it: the display name, the window title and
// the values of the playback-info box.
#include <string>

// The part of the path after its last separator ('\', '/' or the drive's ':'), extension
// included; the whole path when nothing follows the last separator.
std::u16string DisplayName(const std::u16string& path);

// "name - program" for an item, the program name alone without one.
std::u16string WindowTitleText(const std::u16string* itemPath, const std::u16string& programName);

// The speed as the info box shows it: two significant digits and an "x" ("1x", "0.75x").
std::u16string SpeedText(double speed);

// "m:ss" of the duration; unknown or negative durations read 0:00.
std::u16string InfoDurationText(double duration);
