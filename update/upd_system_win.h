#pragma once
// The two system calls of the updater that a test replaces: the elevated start of the installer
// (Wine has no UAC, so a refused elevation cannot happen there) and opening the website (a test
// must not start a browser). Everything else the updater calls is real in the tests too.
#include <windows.h>
#include <shellapi.h>

struct UpdSystemCalls {
    BOOL(WINAPI* shellExecuteEx)(SHELLEXECUTEINFOW* info) = ShellExecuteExW;
    HINSTANCE(WINAPI* shellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = ShellExecuteW;
};

// The process-wide set; the updater reads it on its own thread, so replace calls before it starts.
UpdSystemCalls& UpdSystem();
