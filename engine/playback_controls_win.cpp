#include "engine/playback_controls_win.h"

#include <mfapi.h>
#include <mfidl.h>
#include <propvarutil.h>
#include <wrl/client.h>

#include <algorithm>
#include <cmath>

#include "base/wide_win.h"
#include "engine/engine_events_win.h"
#include "engine/engine_state.h"
#include "engine/gain/gain_mft_win.h"
#include "engine/mfplay_win.h"
#include "engine/session/seek_policy.h"
#include "engine/session/session_engine_win.h"
#include "i18n/i18n_win.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr double kHundredNanosecondsPerSecond = 10000000.0;

double lastSessionVolume = -1;

void RefuseSeek() {
    engine.seekTargetSec = -1;
    if (engineEvents.showOsd)
        engineEvents.showOsd(U16(I18nText(L"이 파일은 탐색을 지원하지 않습니다")));
}

PROPVARIANT PositionVariant(double sec) {
    PROPVARIANT position;
    PropVariantInit(&position);
    position.vt = VT_I8;
    position.hVal.QuadPart = static_cast<LONGLONG>(sec * kHundredNanosecondsPerSecond);
    return position;
}

// Wine's session keeps its position when told to start elsewhere while it runs, and after a
// pause and a start elsewhere it stalls and never reports the end; from a stop every platform
// takes the new position and plays on to the end.
HRESULT SeekSession(double sec) {
    IMFMediaSession* session = sessionEngine->session.Get();
    if (!session)
        return E_UNEXPECTED;
    const double was = SessionClockSeconds();
    session->Stop();
    const HRESULT hr = StartAt(sec);
    if (FAILED(hr))
        StartAt(std::max(was, 0.0)); // a refused seek leaves the media where it was
    if (engine.paused)
        session->Pause(); // a seek while paused stays paused
    return hr;
}

void SeekMfplay(double sec) {
    engine.seekTargetSec = sec;
    PROPVARIANT position = PositionVariant(sec);
    const HRESULT hr = mfplayPlayer->SetPosition(MFP_POSITIONTYPE_100NS, &position);
    PropVariantClear(&position);
    if (FAILED(hr))
        RefuseSeek();
}

// Seconds of a 100-ns variant, or -1 for any other type.
double VariantSeconds(const PROPVARIANT& value) {
    if (value.vt == VT_UI8)
        return static_cast<double>(value.uhVal.QuadPart) / kHundredNanosecondsPerSecond;
    if (value.vt == VT_I8)
        return static_cast<double>(value.hVal.QuadPart) / kHundredNanosecondsPerSecond;
    return -1;
}

void MfplayTimes(double& pos, double& dur) {
    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(mfplayPlayer->GetPosition(MFP_POSITIONTYPE_100NS, &value)))
        pos = VariantSeconds(value);
    PropVariantClear(&value);
    if (dur > 0)
        return;
    if (SUCCEEDED(mfplayPlayer->GetDuration(MFP_POSITIONTYPE_100NS, &value))) {
        const double seconds = VariantSeconds(value);
        if (seconds > 0)
            dur = seconds;
    }
    PropVariantClear(&value);
}

void SetSessionVolume(const VolumeSplit& split) {
    ComPtr<IMFSimpleAudioVolume> volume;
    if (!sessionEngine->session ||
        FAILED(MFGetService(sessionEngine->session.Get(), MR_POLICY_VOLUME_SERVICE, IID_PPV_ARGS(&volume))))
        return;
    if (split.mute) {
        if (SUCCEEDED(volume->SetMute(TRUE)))
            lastSessionVolume = 0;
        return;
    }
    volume->SetMute(FALSE);
    if (SUCCEEDED(volume->SetMasterVolume(split.sessionVolume)))
        lastSessionVolume = split.sessionVolume;
}

} // namespace

void SeekTo(double sec) {
    if (!(sec >= 0) || std::isinf(sec))
        return;
    if (engine.engineKind == EngineKind::MFPlay) {
        if (mfplayPlayer)
            SeekMfplay(sec);
        return;
    }
    if (!sessionEngine)
        return;
    engine.seekTargetSec = sec;
    if (!sessionEngine->ready) {
        engine.pendingStartSec = sec; // the ready handling starts there
        return;
    }
    if (FAILED(SeekSession(sec)))
        RefuseSeek();
}

void GetTimes(double& pos, double& dur) {
    pos = -1;
    dur = engine.durationSec;
    if (engine.engineKind == EngineKind::MFPlay) {
        if (mfplayPlayer)
            MfplayTimes(pos, dur);
        return;
    }
    if (!sessionEngine)
        return;
    if (dur <= 0 && sessionEngine->topoDurationSec > 0)
        dur = sessionEngine->topoDurationSec;
    const SeekHold hold = ApplySeekHold(engine.seekTargetSec, SessionClockSeconds());
    engine.seekTargetSec = hold.seekTargetSec;
    pos = hold.positionSec;
}

void ApplyRate() {
    if (!(engine.speed > 0))
        return;
    if (engine.engineKind == EngineKind::MFPlay) {
        if (mfplayPlayer)
            mfplayPlayer->SetRate(engine.speed);
        return;
    }
    if (!sessionEngine || !sessionEngine->session)
        return;
    // No rate-support query: some platforms report a narrower range than they play.
    ComPtr<IMFRateControl> rate;
    if (SUCCEEDED(MFGetService(sessionEngine->session.Get(), MF_RATE_CONTROL_SERVICE, IID_PPV_ARGS(&rate))))
        rate->SetRate(FALSE, engine.speed);
}

void ApplyVolume() {
    if (engine.engineKind == EngineKind::MFPlay) {
        if (mfplayPlayer)
            mfplayPlayer->SetVolume(engine.muted ? 0.0f : engine.volume);
        return;
    }
    if (!sessionEngine)
        return;
    const VolumeSplit split = SplitVolume(engine.volume, engine.muted);
    sessionEngine->gain = split.gain;
    if (sessionEngine->gainMft)
        sessionEngine->gainMft->SetTargetGain(split.targetGain);
    SetSessionVolume(split);
}

double LastSessionVolume() {
    return lastSessionVolume;
}

long LiveTargetGain() {
    if (!sessionEngine || !sessionEngine->gainMft)
        return -1;
    return static_cast<long>(sessionEngine->gainMft->TargetGain());
}
