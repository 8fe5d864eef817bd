#include "tests/wine/test_support_win.h"

#include <algorithm>
#include <cstdio>
#include <vector>
#include <shellapi.h>

namespace {

std::wstring ModuleFolderOfProcess() {
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

std::wstring EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& extra) {
    std::wstring block;
    wchar_t* env = GetEnvironmentStringsW();
    for (const wchar_t* p = env; *p; p += wcslen(p) + 1) {
        const std::wstring entry(p);
        bool replaced = false;
        for (const auto& [name, value] : extra)
            replaced |= _wcsnicmp(entry.c_str(), (name + L"=").c_str(), name.size() + 1) == 0;
        if (!replaced)
            block += entry + L'\0';
    }
    FreeEnvironmentStringsW(env);
    for (const auto& [name, value] : extra)
        block += name + L"=" + value + L'\0';
    block += L'\0';
    return block;
}

void DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

std::wstring TestProgramFolder() { return ModuleFolderOfProcess(); }
std::wstring PlayerFolder() { return TestProgramFolder() + L"\\..\\..\\app"; }
std::wstring PlayerPath() { return PlayerFolder() + L"\\Jaskel Player.exe"; }

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    path_ = std::wstring(base) + L"jk-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter));
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileW((path_ + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
}

std::wstring QuoteArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

ChildProcess::~ChildProcess() {
    if (process_) {
        if (Running()) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
}

bool ChildProcess::Start(const std::wstring& exe, const std::vector<std::wstring>& args,
                         const std::vector<std::pair<std::wstring, std::wstring>>& extraEnvironment) {
    std::wstring commandLine = QuoteArgument(exe);
    for (const auto& arg : args)
        commandLine += L" " + QuoteArgument(arg);
    std::wstring environment = EnvironmentBlock(extraEnvironment);
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    // Under a busy Wine server a start now and then fails before the program runs at all; that says
    // nothing about the program, so a few more tries follow before the start counts as failed.
    bool started = false;
    for (int attempt = 0; attempt < 4 && !started; ++attempt) {
        if (attempt > 0)
            Sleep(250);
        started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                 CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &si, &pi);
        if (!started)
            fprintf(stderr, "CreateProcess of %ls failed with error %lu (try %d)\n", exe.c_str(),
                    GetLastError(), attempt + 1);
    }
    if (!started)
        return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    id_ = pi.dwProcessId;
    return true;
}

bool ChildProcess::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> ChildProcess::WaitForExit(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (true) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return std::nullopt;
        const DWORD r = MsgWaitForMultipleObjects(1, &process_, FALSE, static_cast<DWORD>(deadline - now),
                                                  QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process_, &code);
            return code;
        }
        DispatchPending();
    }
}

void PumpMessagesFor(DWORD ms) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    while (GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        DispatchPending();
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline)
            return false;
        PumpMessagesFor(50);
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::optional<JsonValue> ReadStateJson(const TempFolder& diag) {
    const auto text = ReadWholeFile(diag.File(L"state.json"));
    return text ? ParseJson(*text) : std::nullopt;
}

HWND FindProcessWindow(DWORD processId, const wchar_t* className) {
    struct Search {
        DWORD pid;
        const wchar_t* cls;
        HWND found;
    } search{processId, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            wchar_t cls[64] = L"";
            GetClassNameW(window, cls, ARRAYSIZE(cls));
            if (pid == s->pid && wcscmp(cls, s->cls) == 0) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ClientPicture::ClientPicture(HWND window) {
    RECT rc{};
    GetClientRect(window, &rc);
    HDC source = GetDC(window);
    dc_ = CreateCompatibleDC(source);
    bitmap_ = CreateCompatibleBitmap(source, rc.right, rc.bottom);
    old_ = SelectObject(dc_, bitmap_);
    BitBlt(dc_, 0, 0, rc.right, rc.bottom, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
}

ClientPicture::~ClientPicture() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

// The process's GDI object count. Wine reports none (GetGuiResources returns 0); there the
// highest handle slot that a burst of fresh objects reaches stands in for it: freed slots are
// reused first, so every object still alive pushes the burst one slot further.
long GdiObjectLevel() {
    const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count != 0)
        return static_cast<long>(count);
    constexpr int kBurst = 16384;
    std::vector<HBRUSH> burst(kBurst);
    long highest = 0;
    for (HBRUSH& brush : burst) {
        brush = CreateSolidBrush(RGB(1, 2, 3));
        highest = std::max(highest, static_cast<long>(reinterpret_cast<ULONG_PTR>(brush) & 0xFFFF));
    }
    for (HBRUSH brush : burst)
        DeleteObject(brush);
    return highest;
}
