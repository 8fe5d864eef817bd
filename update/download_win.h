#pragma once
// The installer download, on a thread of its own: streamed through one 64 KiB buffer into the
// destination file and the hasher, with progress posted to the progress window.
#include <windows.h>

#include <cstdint>
#include <string>

#include "update/transfer_rules.h"

struct UpdDownloadJob {
    DWORD updaterThreadId = 0; // receives WM_UPD_DONE
    std::string key;           // from the manifest entry
    std::string sha256;
    std::int64_t size = 0;
    std::u16string destPath;
    std::string error; // the only field the download thread writes: empty or a download word
    // The receive time-out, which is also the window of the floor-rate guard; tests shorten it.
    DWORD receiveTimeoutMs = kUpdDownloadReceiveTimeoutMs;
};

// The thread's start routine (parameter: the job). Always ends by posting WM_UPD_DONE; the file
// exists afterwards only on success.
DWORD WINAPI RunUpdDownload(LPVOID job);
