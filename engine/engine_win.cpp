#include "engine/engine_win.h"

#include <atomic>
#include <new>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/mfplay_win.h"
#include "engine/session/session_engine_win.h"
#include "engine/webm/fixed_webm_stream_win.h"
#include "engine/webm/scan_thread_win.h"
#include "i18n/i18n_win.h"
#include "playlist/playlist_state.h"
#include "playlist/playlist_win.h"
#include "ui/diag_state_win.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"
#include "ui/ui_text_win.h"

WebmOpenRecord webmRecord;

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

// Matroska and WebM files begin with the EBML magic, whatever their name.
bool StartsWithEbmlMagic(const std::u16string& path) {
    HANDLE file = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    unsigned char magic[4] = {};
    DWORD got = 0;
    const bool read = ReadFile(file, magic, 4, &got, nullptr) && got == 4;
    CloseHandle(file);
    return read && magic[0] == 0x1A && magic[1] == 0x45 && magic[2] == 0xDF && magic[3] == 0xA3;
}

void StartExamining(const std::u16string& path) {
    engine.examining = true;
    engine.statusText = U16(I18nText(L"파일을 살펴보는 중…"));
    webmRecord = WebmOpenRecord{};
    StartWebmScan(path, engine.openGeneration, ui.main);
}

void OpenScannedWithMfplay(const std::u16string& path, const WebmScan& scan) {
    bool repairUsed = false;
    IMFByteStream* stream = nullptr;
    if (mfplayPlayer && NeedsRepair(scan) && SUCCEEDED(CreateFixedWebmStream(path, scan, &stream))) {
        repairUsed = SUCCEEDED(mfplayPlayer->CreateMediaItemFromObject(
            stream, FALSE, static_cast<DWORD_PTR>(engine.openGeneration), nullptr));
        stream->Release();
    }
    webmRecord.openedRepaired = repairUsed;
    if (!repairUsed) {
        MfplayOpen(path);
        const double estimate = ScanDuration(scan);
        if (engine.durationSec <= 0 && estimate > 0)
            engine.durationSec = estimate;
    }
}

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
    std::atomic_ref<std::int64_t>(engine.scanGeneration).store(engine.openGeneration);
    const std::u16string path = playlist[static_cast<size_t>(index)];
    if (StartsWithEbmlMagic(path)) {
        // The previous engine keeps running until the scan result replaces it.
        StartExamining(path);
        RepaintAll();
        WriteDiagState();
        return;
    }
    engine.examining = false;
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

void HandleScanResult(WPARAM generation, LPARAM record) {
    auto* scan = reinterpret_cast<WebmScan*>(record);
    if (scan == nullptr)
        return;
    if (static_cast<std::int64_t>(generation) == engine.openGeneration && CurrentIndexValid()) {
        engine.examining = false;
        engine.statusText.clear();
        webmRecord.scanned = true;
        webmRecord.needsRepair = NeedsRepair(*scan);
        webmRecord.scanDuration = ScanDuration(*scan);
        const std::u16string path = playlist[static_cast<size_t>(currentIndex)];
        if (engine.engineKind == EngineKind::Session) {
            OpenScanned(path, *scan);
            if (engine.durationSec <= 0 && webmRecord.scanDuration > 0)
                engine.durationSec = webmRecord.scanDuration;
        } else {
            OpenScannedWithMfplay(path, *scan);
        }
        RepaintAll();
    }
    FreeScanRecord(scan);
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
