#pragma once
// The engine operations the window, the commands and the playlist call; they run on the
// user-interface thread and switch on the engine chosen at start-up.
#include <windows.h>

#include <string>

#include "engine/engine_events_win.h"

// MFPlay engine only: creates the player bound to the video window. Returns false when the
// callback object cannot be allocated (the program then ends with exit code 4); a player that
// cannot be created is reported to the user and the program runs on without one.
bool CreateEngineAtStartup(HWND main);

// True when an open can do anything: the session engine always, the MFPlay engine only with
// its player.
bool EngineCanOpen();

// Opens the media at path (the playlist has made it the current item): every per-media field
// is reset and a new open generation starts.
void OpenMedia(const std::u16string& path);
void PlayPause();
void Stop();

// The end of the current media: the playlist decides what comes next. True when the end of the
// list was reached (playback then holds, paused).
bool HandleEndOfMedia();

// WM_APP_SCAN_RESULT: the WebM scan of an open finished. The window owns the record and this
// frees it in every case; it acts on it only when it belongs to the newest open and that
// open's item is still in the list.
void HandleScanResult(WPARAM generation, LPARAM record, bool itemStillListed);

// What the last WebM open did (diagnostics).
struct WebmOpenRecord {
    bool scanned = false;
    bool needsRepair = false;
    bool openedRepaired = false;
    double scanDuration = -1;
};
extern WebmOpenRecord webmRecord;

// WM_DESTROY: no more frame notices, close the session, release the MFPlay player.
void ShutDownEngine();

// The video window's picture: the MFPlay player's video or the newest converted frame; false
// when there is no picture to show (the window then paints black and the status text).
bool PaintEnginePicture(HDC dc, HWND videoWindow);
