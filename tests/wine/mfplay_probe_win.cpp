// Plays clips with the MFPlay engine for mfplay_test and writes what happened to the file named
// by JK_MFPLAY_OUT. It runs as a separate process because Wine 8's MFPlay leaves its GStreamer
// pipeline running after Shutdown, so the process may crash or hang while it exits; the test
// reads the result and then ends this process itself.
#include <windows.h>
#include <mfapi.h>
#include <objbase.h>

#include <cstdio>
#include <string>

#include "app/layers_win.h"
#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/mfplay_win.h"
#include "playlist/playlist_state.h"
#include "playlist/playlist_win.h"
#include "tests/wine/test_support_win.h"
#include "ui/main_window_win.h"

namespace {

std::u16string Media(const wchar_t* name) {
    wchar_t folder[MAX_PATH * 2] = L"";
    GetEnvironmentVariableW(L"JK_TEST_MEDIA", folder, ARRAYSIZE(folder));
    return U16(folder) + u"\\" + U16(name);
}

std::string Describe() {
    char line[1024];
    std::snprintf(line, sizeof line, "ended=%d hasVideo=%d duration=%.2f status=%s\n", engine.paused ? 1 : 0,
                  engine.hasVideo ? 1 : 0, engine.durationSec, Utf8FromWide(Wide(engine.statusText)).c_str());
    return line;
}

bool WaitForEndOrMessage() {
    return WaitUntil([] { return engine.paused || (!engine.statusText.empty() && !engine.examining); }, 20000);
}

std::string PlayOne() {
    playlist = {Media(L"h264_aac.mp4")};
    OpenItem(0);
    WaitForEndOrMessage();
    return "play " + Describe();
}

// The first open fails, but only after the second one began: its error is stale.
std::string StaleErrorThenCurrentError() {
    playlist = {Media(L"garbage.mp4"), Media(L"h264_aac.mp4")};
    OpenItem(0);
    OpenItem(1);
    WaitForEndOrMessage();
    std::string out = "stale " + Describe();
    OpenItem(0);
    WaitUntil([] { return !engine.statusText.empty(); }, 20000);
    return out + "current " + Describe();
}

void WriteResult(const std::string& text) {
    wchar_t path[MAX_PATH * 2] = L"";
    GetEnvironmentVariableW(L"JK_MFPLAY_OUT", path, ARRAYSIZE(path));
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string all = text + "done\n";
    DWORD written = 0;
    WriteFile(file, all.data(), static_cast<DWORD>(all.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    MFStartup(MF_VERSION, MFSTARTUP_FULL);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterMainWindowClass(instance, false, nullptr);
    ui.main = CreateMainWindow(instance, false);
    ConnectLayers();
    ShowWindow(ui.main, SW_SHOW);
    LayoutChildren(ui.main);
    engine.engineKind = EngineKind::MFPlay;
    if (!CreateEngineAtStartup(ui.main) || mfplayPlayer == nullptr) {
        WriteResult("no player\n");
        return 1;
    }
    const std::string scenario = argc > 1 ? argv[1] : "";
    WriteResult(scenario == "stale" ? StaleErrorThenCurrentError() : PlayOne());
    DestroyWindow(ui.main);
    return 0;
}
