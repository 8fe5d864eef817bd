#include "engine/engine_win.h"

#include <atomic>
#include <new>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/mfplay_win.h"
#include "engine/playback_controls_win.h"
#include "engine/session/session_engine_win.h"
#include "engine/webm/fixed_webm_stream_win.h"
#include "engine/webm/scan_thread_win.h"
#include "diag/state_notice.h"
#include "diag/ui_text_win.h"
#include "i18n/i18n_win.h"

EngineEvents engineEvents;
WebmOpenRecord webmRecord;

namespace {

// The path of the newest open: the scan result of that open plays it.
std::u16string openPath;

void ResetForNewMedia() {
    engine.endDeferred = false;
    if (engineEvents.mediaChanging)
        engineEvents.mediaChanging();
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
    StartWebmScan(path, engine.openGeneration, engineEvents.main);
}

void OpenScannedWithMfplay(const std::u16string& path, ScanRecord& record) {
    const WebmScan& scan = record.scan;
    bool repairUsed = false;
    IMFByteStream* stream = nullptr;
    if (mfplayPlayer && NeedsRepair(scan) && SUCCEEDED(CreateFixedWebmStream(path, record, &stream))) {
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
    if (FAILED(MFPCreateMediaPlayer(nullptr, FALSE, 0, mfplayCallback, engineEvents.video, &mfplayPlayer)) ||
        !mfplayPlayer) {
        mfplayPlayer = nullptr;
        ShowUiMessageBox(main, U16(I18nText(L"미디어 플레이어를 만들 수 없습니다.")), U16(I18nText(L"Jaskel Player")),
                         MB_ICONWARNING);
    }
    return true;
}

bool EngineCanOpen() { return engine.engineKind == EngineKind::Session || mfplayPlayer != nullptr; }

void OpenMedia(const std::u16string& path) {
    if (!EngineCanOpen())
        return;
    ResetForNewMedia();
    ++engine.openGeneration;
    std::atomic_ref<std::int64_t>(engine.scanGeneration).store(engine.openGeneration);
    openPath = path;
    if (StartsWithEbmlMagic(path)) {
        // The previous engine keeps running until the scan result replaces it.
        StartExamining(path);
        EngineRepaintAll();
        NotifyStateChanged();
        return;
    }
    engine.examining = false;
    if (engine.engineKind == EngineKind::Session)
        OpenPlain(path);
    else
        MfplayOpen(path);
    EngineRepaintAll();
    NotifyStateChanged();
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
    if (engineEvents.main)
        InvalidateRect(engineEvents.main, nullptr, FALSE);
    NotifyStateChanged();
}

// Stop goes to the start and holds there; the media stays loaded.
void Stop() {
    if (engine.engineKind == EngineKind::Session) {
        engine.paused = true;
        if (SessionReady())
            SeekTo(0); // through a stop, which every platform's session honours, then held paused
    } else if (mfplayPlayer) {
        mfplayPlayer->Stop();
        engine.paused = true;
    }
    EngineRepaintAll();
    NotifyStateChanged();
}

void HandleScanResult(WPARAM generation, LPARAM record, bool itemStillListed) {
    auto* result = reinterpret_cast<ScanRecord*>(record);
    if (result == nullptr)
        return;
    if (static_cast<std::int64_t>(generation) == engine.openGeneration && itemStillListed) {
        engine.examining = false;
        engine.statusText.clear();
        webmRecord.scanned = true;
        webmRecord.needsRepair = NeedsRepair(result->scan);
        webmRecord.scanDuration = ScanDuration(result->scan);
        if (engine.engineKind == EngineKind::Session) {
            OpenScanned(openPath, *result);
            if (engine.durationSec <= 0 && webmRecord.scanDuration > 0)
                engine.durationSec = webmRecord.scanDuration;
        } else {
            OpenScannedWithMfplay(openPath, *result);
        }
        EngineRepaintAll();
    }
    FreeScanRecord(result);
    NotifyStateChanged();
}

bool HandleEndOfMedia() { return engineEvents.endOfMedia ? engineEvents.endOfMedia() : false; }

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
