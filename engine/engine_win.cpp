#include "engine/engine_win.h"

#include <new>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/mfplay_win.h"
#include "engine/session/session_engine_win.h"
#include "i18n/i18n_win.h"
#include "playlist/playlist_state.h"
#include "playlist/playlist_win.h"
#include "ui/diag_state_win.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"
#include "ui/ui_text_win.h"

namespace {

bool HasEngineToOpenWith() { return engine.engineKind == EngineKind::Session || mfplayPlayer != nullptr; }

void ResetForNewMedia(int index) {
    engine.endDeferred = false;
    if (shell.mouseMode == 1) {
        shell.mouseMode = 0;
        if (ui.main && GetCapture() == ui.main)
            ReleaseCapture();
    }
    currentIndex = index;
    engine.durationSec = -1;
    engine.hasVideo = false;
    engine.seekTargetSec = -1;
    engine.pendingStartSec = -1;
    engine.statusText.clear();
    engine.paused = false;
}

bool SessionReady() { return sessionEngine && sessionEngine->session && sessionEngine->ready; }

} // namespace

bool CreateEngineAtStartup(HWND main) {
    if (engine.engineKind != EngineKind::MFPlay)
        return true; // the session engine is created by the first open
    mfplayCallback = new (std::nothrow) PlayerCB();
    if (mfplayCallback == nullptr)
        return false;
    if (FAILED(MFPCreateMediaPlayer(nullptr, FALSE, 0, mfplayCallback, ui.video, &mfplayPlayer)) || !mfplayPlayer) {
        mfplayPlayer = nullptr;
        ShowUiMessageBox(main, U16(I18nText(L"미디어 플레이어를 만들 수 없습니다.")), U16(I18nText(L"Jaskel Player")),
                         MB_ICONWARNING);
    }
    return true;
}

void OpenItem(int index) {
    if (!HasEngineToOpenWith() || index < 0 || index >= static_cast<int>(playlist.size()))
        return;
    ResetForNewMedia(index);
    ++engine.openGeneration;
    engine.scanGeneration = engine.openGeneration;
    engine.examining = false;
    const std::u16string path = playlist[static_cast<size_t>(index)];
    if (engine.engineKind == EngineKind::Session)
        OpenPlain(path);
    else
        MfplayOpen(path);
    RepaintAll();
    WriteDiagState();
}

void PlayPause() {
    if (engine.engineKind == EngineKind::Session) {
        if (SessionReady()) {
            const HRESULT hr = engine.paused ? StartAt(-1) : sessionEngine->session->Pause();
            if (SUCCEEDED(hr))
                engine.paused = !engine.paused;
        } else {
            engine.paused = !engine.paused; // the ready handling honours it
        }
    } else if (mfplayPlayer) {
        const HRESULT hr = engine.paused ? mfplayPlayer->Play() : mfplayPlayer->Pause();
        if (SUCCEEDED(hr))
            engine.paused = !engine.paused;
    }
    if (ui.main)
        InvalidateRect(ui.main, nullptr, FALSE);
    WriteDiagState();
}

// Stop goes to the start and holds there; the media stays loaded.
void Stop() {
    if (engine.engineKind == EngineKind::Session) {
        engine.paused = true;
        if (SessionReady()) {
            StartAt(0);
            sessionEngine->session->Pause();
            engine.seekTargetSec = 0;
        }
    } else if (mfplayPlayer) {
        mfplayPlayer->Stop();
        engine.paused = true;
    }
    RepaintAll();
    WriteDiagState();
}

bool HandleEndOfMedia() { return AdvanceAtEndNow(); }

void ShutDownEngine() {
    if (sessionEngine && sessionEngine->frameSink)
        sessionEngine->frameSink->ClearVideoWindow();
    CloseSession();
    if (mfplayPlayer) {
        // Without Shutdown the player's worker threads outlive it and crash the process when
        // Media Foundation shuts down.
        mfplayPlayer->Shutdown();
        mfplayPlayer->Release();
        mfplayPlayer = nullptr;
    }
    if (mfplayCallback) {
        mfplayCallback->Release();
        mfplayCallback = nullptr;
    }
}

bool PaintEnginePicture(HDC dc, HWND videoWindow) {
    if (!engine.hasVideo)
        return false;
    if (engine.engineKind == EngineKind::MFPlay) {
        if (mfplayPlayer)
            mfplayPlayer->UpdateVideo();
        return true;
    }
    PaintVideoFrame(dc, videoWindow);
    return true;
}
