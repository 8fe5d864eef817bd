#include "engine/mfplay_win.h"

#include <propvarutil.h>

#include "base/wide_win.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/playback_controls_win.h"
#include "diag/state_notice.h"
#include "i18n/i18n_win.h"

IMFPMediaPlayer* mfplayPlayer = nullptr;
PlayerCB* mfplayCallback = nullptr;

namespace {

constexpr size_t kCodecMessageMaxUnits = 256;

bool ItemIsCurrent(IMFPMediaItem* item) {
    DWORD_PTR data = 0;
    return item && SUCCEEDED(item->GetUserData(&data)) && static_cast<std::int64_t>(data) == engine.openGeneration;
}

void ReadItemDuration(IMFPMediaItem* item) {
    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(item->GetDuration(MFP_POSITIONTYPE_100NS, &value))) {
        double seconds = -1;
        if (value.vt == VT_UI8)
            seconds = static_cast<double>(value.uhVal.QuadPart) / 1e7;
        else if (value.vt == VT_I8)
            seconds = static_cast<double>(value.hVal.QuadPart) / 1e7;
        if (seconds > 0)
            engine.durationSec = seconds;
    }
    PropVariantClear(&value);
}

void ShowCodecMessage(HRESULT hr) {
    std::wstring text = I18nFormat(L"이 파일을 재생할 수 없습니다(오류 0x%08X).\n이 형식의 OS 코덱이 없거나(Windows N = 미디어 "
                                   L"기능 팩, HEVC = HEVC 비디오 확장) 파일이 손상되었을 수 있습니다.",
                                   static_cast<unsigned>(hr));
    if (text.size() > kCodecMessageMaxUnits)
        text.resize(kCodecMessageMaxUnits);
    engine.statusText = U16(text.c_str(), text.size());
    if (engineEvents.video)
        InvalidateRect(engineEvents.video, nullptr, FALSE);
    EngineRepaintAll();
}

void OnItemCreated(IMFPMediaItem* item) {
    if (!mfplayPlayer || !ItemIsCurrent(item))
        return;
    BOOL hasVideo = FALSE, selected = FALSE;
    engine.hasVideo = SUCCEEDED(item->HasVideo(&hasVideo, &selected)) && hasVideo && selected;
    ReadItemDuration(item);
    mfplayPlayer->SetMediaItem(item);
}

void OnItemSet(IMFPMediaItem* item) {
    if (!ItemIsCurrent(item))
        return;
    engine.statusText.clear();
    ReadItemDuration(item);
    if (!mfplayPlayer)
        return;
    if (!engine.paused)
        mfplayPlayer->Play();
    ApplyVolume();
    ApplyRate();
    EngineLayoutChildren();
    EngineMediaReady();
    EngineRepaintAll();
}

IMFPMediaItem* EventItem(MFP_EVENT_HEADER* header) {
    if (header->eEventType == MFP_EVENT_TYPE_MEDIAITEM_CREATED)
        return reinterpret_cast<MFP_MEDIAITEM_CREATED_EVENT*>(header)->pMediaItem;
    if (header->eEventType == MFP_EVENT_TYPE_MEDIAITEM_SET)
        return reinterpret_cast<MFP_MEDIAITEM_SET_EVENT*>(header)->pMediaItem;
    return nullptr;
}

} // namespace

STDMETHODIMP PlayerCB::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == __uuidof(IMFPMediaPlayerCallback)) {
        *object = static_cast<IMFPMediaPlayerCallback*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PlayerCB::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }

STDMETHODIMP_(ULONG) PlayerCB::Release() {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

void STDMETHODCALLTYPE PlayerCB::OnMediaPlayerEvent(MFP_EVENT_HEADER* header) {
    if (header == nullptr)
        return;
    try {
        HandlePlayerEvent(header);
    } catch (...) {
        // Out of memory while formatting a message: the event is lost, the player goes on.
    }
    NotifyStateChanged();
}

void HandlePlayerEvent(MFP_EVENT_HEADER* header) {
    IMFPMediaItem* item = EventItem(header);
    if (FAILED(header->hrEvent)) {
        // A failure that belongs to an older open is no longer the user's concern.
        if (header->eEventType == MFP_EVENT_TYPE_MEDIAITEM_CREATED && item) {
            DWORD_PTR data = 0;
            if (SUCCEEDED(item->GetUserData(&data)) && static_cast<std::int64_t>(data) != engine.openGeneration)
                return;
        }
        ShowCodecMessage(header->hrEvent);
        return;
    }
    switch (header->eEventType) {
    case MFP_EVENT_TYPE_MEDIAITEM_CREATED: OnItemCreated(item); break;
    case MFP_EVENT_TYPE_MEDIAITEM_SET: OnItemSet(item); break;
    case MFP_EVENT_TYPE_PLAYBACK_ENDED:
        // While a newly opened file is examined, the end belongs to the previous media: the
        // list must not step past the item being examined.
        if (!engine.examining)
            HandleEndOfMedia();
        break;
    default: break;
    }
}

void MfplayOpen(const std::u16string& path) {
    if (mfplayPlayer)
        mfplayPlayer->CreateMediaItemFromURL(Wide(path), FALSE, static_cast<DWORD_PTR>(engine.openGeneration), nullptr);
}
