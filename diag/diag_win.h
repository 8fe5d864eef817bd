#pragma once
// Built-in diagnostics: when JK_DIAG_DIR names a folder, the player keeps state.json there up to
// date and appends every text it draws or shows to texts.log. Without it nothing is written.
#include <string>
#include <string_view>

bool DiagEnabled();

// Replaces state.json atomically (a temporary file, then a rename) with the given UTF-8 text.
void DiagWriteStateText(const std::string& json);

// Appends one texts.log line for a text shown in a window of the given class.
void DiagNoteText(std::u16string_view windowClass, std::u16string_view text);
