#pragma once
// The installer's probe: a freshly installed copy started with "--jk-upd-probe VERSION" proves it
// starts and paints, and answers in ".jk-probe" when VERSION is its own.
#include <optional>
#include <string>
#include <vector>

// True when any argument equals "--jk-upd-probe", ASCII letters compared without case.
bool IsProbeMode(const std::vector<std::u16string>& args);

// The argument right after "--jk-upd-probe", if there is one.
std::optional<std::u16string> ProbeVersionArgument(const std::vector<std::u16string>& args);

// The bytes to write to ".jk-probe", or nullopt when nothing is to be written.
std::optional<std::string> ProbeAnswer(const std::vector<std::u16string>& args, std::u16string_view ownVersion);
