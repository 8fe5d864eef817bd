#pragma once
// The background updater: once per start it checks for a newer version, downloads and verifies the
// installer, asks for elevation and hands over to it. Upward it only talks to the main window by
// the "Jaskel.JkUpd.Busy" question and a posted WM_CLOSE.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "update/manifest.h"
#include "update/progress_win.h"
#include "update/transfer_rules.h"

// The waits of the flow; tests shorten them, the player keeps these.
struct UpdTiming {
    DWORD firstWaitMs = 1200;  // before the data folder and the "updated" notice
    DWORD secondWaitMs = 2800; // before the manifest is fetched
    DWORD busyPauseMs = kUpdBusyPauseMs;
    DWORD downloadReceiveTimeoutMs = kUpdDownloadReceiveTimeoutMs;
};

struct UpdParams {
    std::string app;      // "player"
    std::string version;  // the running version
    std::u16string title; // caption of boxes and the progress window; "Jaskel" when empty
    HWND mainWindow = nullptr;
    UpdTiming timing;
};

// Starts the updater thread, at most once per process and only when the arguments, JK_NOUPDATE
// and the developer-tree marker allow it. args: the program's arguments without its name. True
// when the thread was started.
bool StartUpdater(const UpdParams& params, const std::vector<std::u16string>& args);

// The updater thread's start routine; the parameter is a UpdParams that outlives the thread.
DWORD WINAPI UpdaterThread(LPVOID params);

// The installer's own verdict in HKLM\Software\Jaskel\APP\Update refuses this target.
bool MachineRefusesTarget(const UpdManifestEntry& entry, std::string_view app);

// Notes the running version in "last-version.txt" and, after an update, says so once.
void AnnounceUpdated(const UpdParams& params, const std::u16string& dataFolder);
