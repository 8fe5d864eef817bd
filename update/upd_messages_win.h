#pragma once
// Messages between the download thread, the progress window and the updater thread.
#include <windows.h>

#include <atomic>

// To the progress window: wParam bytes received / 1,024, lParam expected size / 1,024.
inline constexpr UINT WM_UPD_PROGRESS = WM_APP + 0x6F1;
// To the updater thread: wParam 1 on success, 0 on failure.
inline constexpr UINT WM_UPD_DONE = WM_APP + 0x6F2;

// Set once by Cancel in the progress window; the download and the updater check it at their next
// step. The updater never clears it: it runs once per process.
inline std::atomic<bool> UpdCancelFlag{false};
