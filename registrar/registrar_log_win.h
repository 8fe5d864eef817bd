#pragma once
// The registrar's log: %LOCALAPPDATA%\Jaskel\win11menu.log, one time-stamped line per outcome,
// appended in shared mode (several registrars may run at once) and never trimmed.
#include <string>

void LogLine(const std::u16string& message);
