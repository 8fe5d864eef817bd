#pragma once
#include <string>
#include <vector>

// Answers the installer's probe and ends the process with exit code 0; never returns.
[[noreturn]] void RunUpdProbe(const std::vector<std::u16string>& args);
