// A stand-in for the real installer in the updater's tests: it records how it was started in
// "<its own path>.args.txt" (the command line, UTF-8), then waits until "<its own path>.release"
// exists (at most 30 s) so that the test can look at the updater while the installer runs, and
// ends with exit code 7.
#include <windows.h>

#include <string>

namespace {

constexpr DWORD kWaitLimitMs = 30000;
constexpr DWORD kPollMs = 20;
constexpr int kExitCode = 7;

std::wstring OwnPath() {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    return std::wstring(path, n);
}

void WriteUtf8(const std::wstring& path, const wchar_t* text) {
    char bytes[4096];
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes, n > 0 ? static_cast<DWORD>(n - 1) : 0, &written, nullptr);
    CloseHandle(file);
}

} // namespace

int main() {
    const std::wstring self = OwnPath();
    WriteUtf8(self + L".args.txt", GetCommandLineW());
    const std::wstring release = self + L".release";
    for (DWORD waited = 0; waited < kWaitLimitMs; waited += kPollMs) {
        if (GetFileAttributesW(release.c_str()) != INVALID_FILE_ATTRIBUTES)
            break;
        Sleep(kPollMs);
    }
    return kExitCode;
}
