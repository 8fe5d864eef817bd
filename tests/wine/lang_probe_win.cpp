// A tiny program for the catalog tests: starts, lets the catalog choose the language from its
// real command line, environment, registry and UI language, and prints what it chose.
#include <windows.h>

#include <cstdio>
#include <string>

#include "i18n/i18n_win.h"

int main() {
    static const wchar_t kPlay[] = L"재생";
    const wchar_t* text = I18nText(kPlay);
    char utf8[256] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    char line[512];
    const int n = std::snprintf(line, sizeof line, "code=%s rtl=%d same=%d misses=%ld text=%s\n", I18nLangCode(),
                                I18nIsRtl() ? 1 : 0, text == kPlay ? 1 : 0, I18nMissCount(), utf8);
    // The test names the output file: a GUI-less child's console output is not easy to collect.
    wchar_t out[MAX_PATH * 2];
    if (!GetEnvironmentVariableW(L"JK_LANG_PROBE_OUT", out, ARRAYSIZE(out)))
        return std::fputs(line, stdout) < 0 ? 1 : 0;
    HANDLE file = CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(file);
    return 0;
}
