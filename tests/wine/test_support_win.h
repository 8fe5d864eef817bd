#pragma once
// Helpers for tests that run the real player program under Wine (or Windows).
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/json_value.h"

// The folder of the running test program.
std::wstring TestProgramFolder();

// "Jaskel Player.exe" of the same build tree.
std::wstring PlayerPath();
std::wstring PlayerFolder();

// A fresh folder under the temporary folder, removed with its files at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    const std::wstring& Path() const { return path_; }
    std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }

  private:
    std::wstring path_;
};

// A started program; ended by force at destruction if it still runs.
class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::wstring& exe, const std::vector<std::wstring>& args,
               const std::vector<std::pair<std::wstring, std::wstring>>& extraEnvironment = {});
    // Waits for the exit while dispatching this thread's messages; nullopt on time-out.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    DWORD Id() const { return id_; }
    bool Running() const;

  private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Dispatches this thread's messages for the given time (sent messages included).
void PumpMessagesFor(DWORD ms);

// Polls the condition, dispatching messages in between, until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

std::optional<std::string> ReadWholeFile(const std::wstring& path);
std::optional<JsonValue> ReadStateJson(const TempFolder& diag);

// The top-level window of the given class that belongs to the process, if any.
HWND FindProcessWindow(DWORD processId, const wchar_t* className);

// A window's client area copied from the screen, as a person would see it.
class ClientPicture {
  public:
    explicit ClientPicture(HWND window);
    ~ClientPicture();
    ClientPicture(const ClientPicture&) = delete;
    ClientPicture& operator=(const ClientPicture&) = delete;
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

  private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The process's GDI object count, or what stands in for it under Wine; equal before and after
// a repeated step means the step leaks no GDI object.
long GdiObjectLevel();

// Quotes one argument for a command line by the rules the C runtime parses.
std::wstring QuoteArgument(const std::wstring& arg);
