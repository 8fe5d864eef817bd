#pragma once
// The main window, its child and pop-up windows, the layout pass and the interface tick.
#include <windows.h>

#include <functional>
#include <string_view>

#include "engine/engine_events_win.h"

inline constexpr UINT WM_APP_SHOW_OSD = WM_APP + 7;
inline constexpr UINT_PTR kTickTimerId = 1;
inline constexpr UINT kTickMilliseconds = 250;

inline constexpr const wchar_t* kMainClass = L"JaskelMFPlayer";
inline constexpr const wchar_t* kProbeClass = L"JaskelMFPlayerProbe";
inline constexpr const wchar_t* kVideoClass = L"JaskelMFVideo";
inline constexpr const wchar_t* kMusicClass = L"JaskelMFMusic";
inline constexpr const wchar_t* kPanelClass = L"JaskelMFPanel";
inline constexpr const wchar_t* kOsdClass = L"JaskelMFOsd";
inline constexpr const wchar_t* kTipClass = L"JaskelMFTip";

struct UiWindows {
    HWND main = nullptr;
    HWND video = nullptr;
    HWND music = nullptr;
    HWND panel = nullptr;
    HWND osd = nullptr;
    HWND tip = nullptr;
};

extern UiWindows ui;

// What the window layer hands to the program's top layer.
struct WindowHooks {
    // WM_COPYDATA: a second start of the program handing over its files.
    std::function<void(HWND window, const COPYDATASTRUCT& data)> copyData;
};

extern WindowHooks windowHooks;

// Registers the main window class ("JaskelMFPlayerProbe" in probe mode).
bool RegisterMainWindowClass(HINSTANCE instance, bool probe, HICON icon);

// Creates the main window (1000 x 660; off screen as a tool window in probe mode).
HWND CreateMainWindow(HINSTANCE instance, bool probe);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the five children and pop-ups in their order; a failed one stays null and is skipped.
void CreateChildWindows(HWND main);

void LayoutChildren(HWND main);
void RepaintAll();
void HideTooltip();

// The engine's status text (an error, "opening…"), word-wrapped and centred in the client area.
void PaintStatusText(HDC dc, const RECT& client, std::u16string_view windowClass);
// The music view's WM_PAINT body.
void PaintMusicView(HWND window, HDC dc);

// Fills the bands the main window paints itself (title bar, control bar).
void PaintTitleBar(HWND main, HDC dc);
void PaintControlBar(HWND main, HDC dc);
