#include "engine/session/session_engine_win.h"

#include <mfapi.h>
#include <mferror.h>
#include <propvarutil.h>

#include <new>
#include <vector>

#include <new>

#include "base/com_ptr_win.h"
#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/playback_controls_win.h"
#include "engine/session/seek_policy.h"
#include "engine/session/session_events.h"
#include "engine/webm/fixed_webm_stream_win.h"
#include "i18n/i18n_win.h"

using Microsoft::WRL::ComPtr;

std::unique_ptr<SessionEngine> sessionEngine;

namespace {

// Not in every SDK's headers; the values are the platform's.
const GUID kTopologyDxvaMode = {0x1e8d34f6, 0xf5ab, 0x4e23, {0xbb, 0x88, 0x87, 0x4a, 0xa3, 0xa1, 0xa7, 0x4d}};
const GUID kTopologyHardwareMode = {0xd2d362fd, 0x4e4f, 0x4191, {0xa5, 0x79, 0xc6, 0x18, 0xb6, 0x67, 0x06, 0xaf}};
constexpr UINT32 kDxvaNone = 1;
constexpr UINT32 kHardwareModeSoftwareOnly = 0;
constexpr double kHundredNanosecondsPerSecond = 10000000.0;

#define RETURN_IF_FAILED(expression)                                                                               \
    do {                                                                                                           \
        const HRESULT hr_ = (expression);                                                                          \
        if (FAILED(hr_))                                                                                           \
            return hr_;                                                                                            \
    } while (false)

ComPtr<IMFTopologyNode> MakeSourceNode(IMFPresentationDescriptor* pd, IMFStreamDescriptor* sd) {
    ComPtr<IMFTopologyNode> node;
    if (FAILED(MFCreateTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, &node)))
        return nullptr;
    node->SetUnknown(MF_TOPONODE_SOURCE, sessionEngine->source.Get());
    node->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, pd);
    node->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, sd);
    return node;
}

// The video branch ends in the sample grabber, which hands NV12 frames to the frame sink.
HRESULT AttachVideoSink(IMFStreamDescriptor* sd, IMFMediaTypeHandler* handler, IMFTopologyNode* output) {
    ComPtr<IMFMediaType> current;
    if (handler)
        handler->GetCurrentMediaType(&current);
    ConfigureFrameSink(sessionEngine->frameSink.Get(), current.Get());
    ComPtr<IMFMediaType> nv12;
    RETURN_IF_FAILED(MFCreateMediaType(&nv12));
    nv12->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    nv12->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_NV12);
    ComPtr<IMFActivate> activate;
    RETURN_IF_FAILED(MFCreateSampleGrabberSinkActivate(nv12.Get(), sessionEngine->frameSink.Get(), &activate));
    activate->SetUINT32(MF_SAMPLEGRABBERSINK_IGNORE_CLOCK, 0);
    (void)sd;
    return output->SetObject(activate.Get());
}

HRESULT AttachAudioRenderer(IMFTopologyNode* output) {
    ComPtr<IMFActivate> activate;
    RETURN_IF_FAILED(MFCreateAudioRendererActivate(&activate));
    return output->SetObject(activate.Get());
}

bool SameLayout(IMFMediaType* a, IMFMediaType* b) {
    for (const GUID& key : {MF_MT_AUDIO_SAMPLES_PER_SECOND, MF_MT_AUDIO_NUM_CHANNELS}) {
        UINT32 x = 0, y = 0;
        if (SUCCEEDED(a->GetUINT32(key, &x)) && SUCCEEDED(b->GetUINT32(key, &y)) && x != y)
            return false;
    }
    return true;
}

// The audio renderer mixes in 32-bit float. A source that offers float as well delivers it, so
// that nothing has to convert after the gain transform (Wine's topology loader cannot insert a
// converter there).
void PreferFloatAudio(IMFMediaTypeHandler* handler) {
    ComPtr<IMFMediaType> current;
    if (!handler || FAILED(handler->GetCurrentMediaType(&current)) ||
        CheckAudioType(current.Get()) != kSampleKindPcm16)
        return;
    DWORD count = 0;
    handler->GetMediaTypeCount(&count);
    for (DWORD i = 0; i < count; ++i) {
        ComPtr<IMFMediaType> offered;
        if (SUCCEEDED(handler->GetMediaTypeByIndex(i, &offered)) &&
            CheckAudioType(offered.Get()) == kSampleKindFloat32 && SameLayout(current.Get(), offered.Get())) {
            handler->SetCurrentMediaType(offered.Get());
            return;
        }
    }
}

// The gain transform of the audio branch, made once per engine with its current gain; null when
// it cannot be made, and the branch then goes straight to the renderer.
ComPtr<IMFTopologyNode> MakeGainNode() {
    if (!sessionEngine->gainMft)
        sessionEngine->gainMft = CreateGainMft(GainToQ12(sessionEngine->gain));
    ComPtr<IMFTopologyNode> node;
    if (!sessionEngine->gainMft || FAILED(MFCreateTopologyNode(MF_TOPOLOGY_TRANSFORM_NODE, &node)) ||
        FAILED(node->SetObject(sessionEngine->gainMft.Get())))
        return nullptr;
    return node;
}

struct Branches {
    bool video = false;
    bool audio = false;
};

HRESULT AddBranch(IMFTopology* topology, IMFPresentationDescriptor* pd, IMFStreamDescriptor* sd,
                  IMFMediaTypeHandler* handler, bool video) {
    ComPtr<IMFTopologyNode> source = MakeSourceNode(pd, sd);
    ComPtr<IMFTopologyNode> output;
    if (!source || FAILED(MFCreateTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, &output)))
        return E_OUTOFMEMORY;
    RETURN_IF_FAILED(video ? AttachVideoSink(sd, handler, output.Get()) : AttachAudioRenderer(output.Get()));
    if (!video)
        PreferFloatAudio(handler);
    ComPtr<IMFTopologyNode> gain = video ? nullptr : MakeGainNode();
    topology->AddNode(source.Get());
    topology->AddNode(output.Get());
    if (!gain)
        return source->ConnectOutput(0, output.Get(), 0);
    topology->AddNode(gain.Get());
    RETURN_IF_FAILED(source->ConnectOutput(0, gain.Get(), 0));
    return gain->ConnectOutput(0, output.Get(), 0);
}

// Uses the first video and the first audio stream; every other selected stream is deselected.
HRESULT AddStream(IMFTopology* topology, IMFPresentationDescriptor* pd, DWORD index, Branches& branches) {
    BOOL selected = FALSE;
    ComPtr<IMFStreamDescriptor> sd;
    if (FAILED(pd->GetStreamDescriptorByIndex(index, &selected, &sd)) || !sd)
        return S_OK;
    ComPtr<IMFMediaTypeHandler> handler;
    GUID major = GUID_NULL;
    if (SUCCEEDED(sd->GetMediaTypeHandler(&handler)))
        handler->GetMajorType(&major);
    const bool isVideo = major == MFMediaType_Video && !branches.video;
    const bool isAudio = major == MFMediaType_Audio && !branches.audio;
    if (!isVideo && !isAudio) {
        if (selected)
            pd->DeselectStream(index);
        return S_OK;
    }
    if (!selected)
        pd->SelectStream(index);
    RETURN_IF_FAILED(AddBranch(topology, pd, sd.Get(), handler.Get(), isVideo));
    (isVideo ? branches.video : branches.audio) = true;
    return S_OK;
}

void ReadDuration(IMFPresentationDescriptor* pd) {
    UINT64 duration = 0;
    if (SUCCEEDED(pd->GetUINT64(MF_PD_DURATION, &duration)))
        sessionEngine->topoDurationSec = static_cast<double>(duration) / kHundredNanosecondsPerSecond;
}

SessionOutcome ReadEvent(IMFMediaEvent* event) {
    MediaEventType type = MEUnknown;
    event->GetType(&type);
    if (type == MESessionTopologyStatus) {
        UINT32 status = 0;
        if (SUCCEEDED(event->GetUINT32(MF_EVENT_TOPOLOGY_STATUS, &status)) && status == MF_TOPOSTATUS_READY) {
            sessionEngine->ready = true;
            return SessionOutcome::Ready;
        }
    } else if (type == MEEndOfPresentation) {
        return SessionOutcome::Ended;
    } else if (type == MEError) {
        sessionEngine->failed = true;
        return SessionOutcome::Error;
    }
    return SessionOutcome::None;
}

SessionOutcome DrainEvents() {
    SessionOutcome outcome = SessionOutcome::None;
    for (int i = 0; i < kMaxSessionEventsPerTick; ++i) {
        ComPtr<IMFMediaEvent> event;
        if (FAILED(sessionEngine->session->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event)) || !event)
            break;
        outcome = Stronger(outcome, ReadEvent(event.Get()));
    }
    return outcome;
}

void StartWhenReady() {
    engine.hasVideo = sessionEngine->topoHasVideo;
    if (engine.durationSec <= 0 && sessionEngine->topoDurationSec > 0)
        engine.durationSec = sessionEngine->topoDurationSec;
    engine.examining = false;
    engine.statusText.clear();
    const double start = engine.pendingStartSec > 0 ? engine.pendingStartSec : 0;
    engine.pendingStartSec = -1;
    ApplyVolume();
    StartAt(start);
    if (engine.paused)
        sessionEngine->session->Pause();
    ApplyRate();
    EngineLayoutChildren();
    EngineMediaReady();
    EngineRepaintAll();
}

void ShowPlaybackError() {
    engine.statusText = U16(I18nText(L"이 파일을 재생할 수 없습니다."));
    EngineRepaintAll();
}

} // namespace

bool CreateSession() {
    CloseSession();
    auto created = std::make_unique<SessionEngine>();
    created->frameSink = AdoptReference(new (std::nothrow) SEGrab(engineEvents.video));
    if (!created->frameSink)
        return false;
    sessionEngine = std::move(created);
    if (FAILED(MFCreateMediaSession(nullptr, &sessionEngine->session))) {
        CloseSession();
        return false;
    }
    return true;
}

HRESULT ResolveSource(const std::u16string& path) {
    ComPtr<IMFSourceResolver> resolver;
    RETURN_IF_FAILED(MFCreateSourceResolver(&resolver));
    MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
    ComPtr<IUnknown> object;
    RETURN_IF_FAILED(
        resolver->CreateObjectFromURL(Wide(path), MF_RESOLUTION_MEDIASOURCE, nullptr, &type, &object));
    return object.As(&sessionEngine->source);
}

bool ResolveSourceFromStream(IMFByteStream* stream, const std::u16string& path) {
    const ComPtr<IMFByteStream> owned = AdoptReference(stream); // the caller's reference ends here
    ComPtr<IMFSourceResolver> resolver;
    if (FAILED(MFCreateSourceResolver(&resolver)))
        return false;
    MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
    ComPtr<IUnknown> object;
    if (FAILED(resolver->CreateObjectFromByteStream(owned.Get(), Wide(path), MF_RESOLUTION_MEDIASOURCE, nullptr,
                                                    &type, &object)))
        return false;
    return SUCCEEDED(object.As(&sessionEngine->source));
}

HRESULT BuildTopology() {
    if (!sessionEngine || !sessionEngine->session || !sessionEngine->source)
        return E_UNEXPECTED;
    ComPtr<IMFPresentationDescriptor> pd;
    RETURN_IF_FAILED(sessionEngine->source->CreatePresentationDescriptor(&pd));
    ReadDuration(pd.Get());
    ComPtr<IMFTopology> topology;
    RETURN_IF_FAILED(MFCreateTopology(&topology));
    // Software decoding keeps the frames in system memory, where the frame sink reads them.
    topology->SetUINT32(kTopologyDxvaMode, kDxvaNone);
    topology->SetUINT32(kTopologyHardwareMode, kHardwareModeSoftwareOnly);
    DWORD count = 0;
    pd->GetStreamDescriptorCount(&count);
    Branches branches;
    for (DWORD i = 0; i < count; ++i)
        RETURN_IF_FAILED(AddStream(topology.Get(), pd.Get(), i, branches));
    sessionEngine->topoHasVideo = branches.video;
    return sessionEngine->session->SetTopology(0, topology.Get());
}

HRESULT StartAt(double sec) {
    if (!sessionEngine || !sessionEngine->session)
        return E_UNEXPECTED;
    PROPVARIANT position;
    PropVariantInit(&position);
    if (sec >= 0) {
        position.vt = VT_I8;
        position.hVal.QuadPart = static_cast<LONGLONG>(sec * kHundredNanosecondsPerSecond);
    }
    const HRESULT hr = sessionEngine->session->Start(&GUID_NULL, &position);
    PropVariantClear(&position);
    return hr;
}

namespace {

void ShowCannotCreateEngine() { engine.statusText = U16(I18nText(L"재생 엔진을 만들 수 없습니다.")); }

void FailOpen() {
    engine.statusText = U16(I18nText(L"이 파일을 열 수 없습니다."));
    CloseSession();
}

// Resolves the file by its path on the session just created and builds its topology.
void OpenByPathOnSession(const std::u16string& path) {
    HRESULT hr = ResolveSource(path);
    if (SUCCEEDED(hr))
        hr = BuildTopology();
    if (FAILED(hr))
        FailOpen();
}

} // namespace

void OpenPlain(const std::u16string& path) {
    if (!CreateSession()) {
        ShowCannotCreateEngine();
        return;
    }
    OpenByPathOnSession(path);
}

void OpenScanned(const std::u16string& path, ScanRecord& record) {
    engine.examining = false;
    // Nothing of the media that played while the file was examined may stay with this one.
    engine.durationSec = -1;
    engine.hasVideo = false;
    if (!CreateSession()) {
        ShowCannotCreateEngine();
        return;
    }
    if (NeedsRepair(record.scan)) {
        IMFByteStream* stream = nullptr;
        if (SUCCEEDED(CreateFixedWebmStream(path, record, &stream)) && ResolveSourceFromStream(stream, path)) {
            webmRecord.openedRepaired = true;
            if (FAILED(BuildTopology()))
                FailOpen();
            return;
        }
        // The repair could not be used: the same session opens the file by its path.
    }
    OpenByPathOnSession(path);
}

bool PollSessionEvents() {
    if (!sessionEngine || !sessionEngine->session)
        return false;
    SessionTickInput in;
    in.outcome = DrainEvents();
    in.failed = sessionEngine->failed;
    in.examining = engine.examining;
    in.draggingSeekBar = engineEvents.seekDragging && engineEvents.seekDragging();
    in.dragOld = engine.dragOld;
    in.noEndDefer = engine.noEndDefer;
    switch (DecideSessionTick(in)) {
    case SessionTickAction::ShowPlaybackError: ShowPlaybackError(); return false;
    case SessionTickAction::StartPlayback: StartWhenReady(); return false;
    case SessionTickAction::DeferEnd: engine.endDeferred = true; return false;
    case SessionTickAction::AdvanceAtEnd: return HandleEndOfMedia();
    case SessionTickAction::KeepQuiet:
    case SessionTickAction::Nothing: break;
    }
    return false;
}

void PumpSessionEvents(ULONGLONG timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < timeoutMs) {
        ComPtr<IMFMediaEvent> event;
        if (FAILED(sessionEngine->session->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event)) || !event) {
            Sleep(10);
            continue;
        }
        MediaEventType type = MEUnknown;
        event->GetType(&type);
        if (type == MESessionClosed)
            return;
    }
}

namespace {

// Wine's sample grabber can still call its callback after the session has shut down, and a
// freed sink then crashes the process. A closed session's sink is therefore kept, without its
// picture (the only large part of it), for the life of the process.
void RetireFrameSink(ComPtr<SEGrab> sink) {
    static std::vector<ComPtr<SEGrab>> retired;
    if (!sink)
        return;
    sink->DropFrame();
    try {
        retired.push_back(std::move(sink));
    } catch (const std::bad_alloc&) {
        sink.Detach(); // kept alive all the same
    }
}

} // namespace

void CloseSession() {
    if (!sessionEngine)
        return;
    if (sessionEngine->session) {
        sessionEngine->session->Close();
        PumpSessionEvents(2000);
        sessionEngine->session->Shutdown();
    }
    if (sessionEngine->source)
        sessionEngine->source->Shutdown();
    sessionEngine->session.Reset();
    sessionEngine->source.Reset();
    sessionEngine->gainMft.Reset();
    RetireFrameSink(std::move(sessionEngine->frameSink));
    sessionEngine.reset();
}

double SessionClockSeconds() {
    if (!sessionEngine || !sessionEngine->session)
        return -1;
    ComPtr<IMFClock> clock;
    ComPtr<IMFPresentationClock> presentation;
    MFTIME time = 0;
    if (FAILED(sessionEngine->session->GetClock(&clock)) || FAILED(clock.As(&presentation)) ||
        FAILED(presentation->GetTime(&time)))
        return -1;
    return static_cast<double>(time) / kHundredNanosecondsPerSecond;
}
