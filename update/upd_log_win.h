#pragma once
// The updater log in the user's temporary folder, and the clock and folder it uses.
#include <cstdint>
#include <string>
#include <string_view>

// GetTempPathW without its trailing backslash; empty when the system gives none.
std::u16string UpdTempFolder();

// Seconds since 1970 by the system clock.
std::int64_t UpdUnixNow();

// The app name written in every log line ("player"); the updater sets it once at its start.
void SetUpdLogApp(std::string_view app);

// Appends one line; a line that cannot be written is lost.
void UpdLog(std::string_view word, std::string_view detail = {});
