#pragma once
// Keeping the context-menu package registered: the player starts "menu-registrar ensure" at each
// start from the values the installer wrote under HKEY_LOCAL_MACHINE\<subkey>, without waiting.
#include <string>

inline constexpr const wchar_t* kMenuRegistrarSubkey = L"Software\\Jaskel\\Player\\Win11Menu";

void StartMenuRegistrar(const std::wstring& subkey);
