#pragma once
// Helpers shared by the context-menu and registrar tests.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/test_support_win.h"

// The build tree's deliverables, seen from a test program in tests/wine/menu.
std::wstring BuiltShellLibrary();
std::wstring BuiltRegistrar();
std::wstring BuiltMenuTestHelper();

void WriteTextFile(const std::wstring& path, const char* text = "x");

// The registrar's log lines under a LOCALAPPDATA folder, without their line ends.
std::vector<std::string> LogLines(const std::wstring& localAppData);

// Each line starts with the local time stamp "YYYY-MM-DD hh:mm:ss ".
bool AllStamped(const std::vector<std::string>& lines);

// The lines without their time stamps.
std::vector<std::string> Messages(const std::vector<std::string>& lines);

// A folder link that leads elsewhere: a junction (mount point) made through the file system. On
// failure the last error says why (Wine 8 answers ERROR_NOT_SUPPORTED: it cannot make junctions).
bool MakeJunction(const std::wstring& link, const std::wstring& target);
// A folder link that the program sees as a directory reparse point: a junction, or under Wine,
// which cannot make junctions, a Unix symbolic link, which Wine shows as one.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);

// Removes a folder with its plain files and subfolders (links are removed, not entered).
void RemoveTree(const std::wstring& folder);
