// A stand-in program for the registrar tests: "record" appends its command line (UTF-8, one line)
// to the file named by JK_RECORDER_OUT, as the registrar the player starts; "wait" sleeps for at
// most 60 s, as a COM surrogate that holds the library.
#include <windows.h>

#include <string>

#include "base/wide_win.h"

int main() {
    const std::wstring line = GetCommandLineW();
    wchar_t out[1024];
    const DWORD n = GetEnvironmentVariableW(L"JK_RECORDER_OUT", out, ARRAYSIZE(out));
    if (n > 0 && n < ARRAYSIZE(out)) {
        HANDLE file = CreateFileW(out, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, 0, nullptr);
        const std::string bytes = Utf8FromWide(line.c_str()) + "\n";
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    if (line.find(L" wait") != std::wstring::npos)
        Sleep(60000);
    return 7;
}
