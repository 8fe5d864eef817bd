#pragma once
// The default engine: a Media Session per open with a hand-built topology (video into the
// program's frame sink, audio through the gain transform into the audio renderer). Its events are drained by the interface
// tick, so all engine state stays on the user-interface thread.
#include <windows.h>
#include <mfidl.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "engine/gain/gain_mft_win.h"
#include "engine/video/frame_sink_win.h"

struct SessionEngine {
    Microsoft::WRL::ComPtr<IMFMediaSession> session;
    Microsoft::WRL::ComPtr<IMFMediaSource> source;
    Microsoft::WRL::ComPtr<SEGrab> frameSink;
    Microsoft::WRL::ComPtr<GainMFT> gainMft; // made by the first audio branch, kept for the next
    float gain = 1.0f;
    bool ready = false;
    bool failed = false;
    double topoDurationSec = -1;
    bool topoHasVideo = false;
};

extern std::unique_ptr<SessionEngine> sessionEngine;

bool CreateSession();
HRESULT ResolveSource(const std::u16string& path);
bool ResolveSourceFromStream(IMFByteStream* stream, const std::u16string& path);
HRESULT BuildTopology();
HRESULT StartAt(double sec);
void OpenPlain(const std::u16string& path);
struct ScanRecord;
// Opens a scanned file on a new session: through the repaired stream when the scan asks for it
// and its head was built, otherwise (or when that fails) by its path.
void OpenScanned(const std::u16string& path, ScanRecord& record);

// Drains the session's events and acts on them; true when the end of the list was reached and
// the tick is to skip its repaint of the control bar.
bool PollSessionEvents();
void PumpSessionEvents(ULONGLONG timeoutMs);
void CloseSession();

// The presentation clock's time in seconds, or -1 (diagnostics and tests).
double SessionClockSeconds();
