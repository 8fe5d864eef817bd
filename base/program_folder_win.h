#pragma once
#include <string>

// The folder of the running program's executable, without a trailing backslash.
std::u16string ProgramFolder();
