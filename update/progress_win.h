#pragma once
// The update progress window (status line, progress bar, Cancel), the fallback dialog every failed
// update ends with, the polite wait while the player reports itself busy, and the updater thread's
// short message pump. Only the updater thread calls these, except UpdProgressWindow.
#include <windows.h>

#include <string>

inline constexpr int kUpdCancelId = 1779;
inline constexpr DWORD kUpdBusyPauseMs = 5000;

void ShowUpdProgress(const std::u16string& title, bool required);
void SetUpdProgressText(const std::u16string& text);
void HideUpdCancel();
// Marquee bar, and closing no longer cancels anything.
void SetUpdProgressInstalling();
// Harmless when there is no window.
void CloseUpdProgress();

// The window for the download thread's progress posts; null when there is none.
HWND UpdProgressWindow();

// Closes the progress window and offers the website with the reason (a catalog text).
void ShowUpdFallback(const std::u16string& title, const std::u16string& reason);

// Asks the main window by "Jaskel.JkUpd.Busy" whether it is busy and waits while it answers 1,
// hiding windowToHide (may be null) during the wait. pauseMs between questions.
void WaitPlayerIdle(HWND mainWindow, HWND windowToHide, DWORD pauseMs = kUpdBusyPauseMs);

// Dispatches this thread's messages until the time is up, sleeping 15 ms between rounds.
void PumpMessagesFor(ULONGLONG milliseconds);
