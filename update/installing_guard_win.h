#pragma once
#include <string>
#include <vector>

// True when an installation is in progress, after telling the user in a message box.
bool InstallingGuard(const std::vector<std::u16string>& args, const wchar_t* title);
