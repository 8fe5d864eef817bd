#include "engine/gain/gain_mft_win.h"

#include <mfapi.h>
#include <mferror.h>

#include <new>
#include <span>

#include "base/critical_section_win.h"
#include "engine/gain/gain_process.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kEqualEnough = MF_MEDIATYPE_EQUAL_MAJOR_TYPES | MF_MEDIATYPE_EQUAL_FORMAT_DATA;

HRESULT CopyType(IMFMediaType* from, IMFMediaType** type) {
    ComPtr<IMFMediaType> copy;
    HRESULT hr = MFCreateMediaType(&copy);
    if (SUCCEEDED(hr))
        hr = from->CopyAllItems(copy.Get());
    if (SUCCEEDED(hr))
        *type = copy.Detach();
    return hr;
}

// Both sides always carry equal types: a new type must match the other side's, when set.
bool MatchesOtherSide(IMFMediaType* other, IMFMediaType* type) {
    if (!other)
        return true;
    DWORD flags = 0;
    other->IsEqual(type, &flags);
    return (flags & kEqualEnough) == kEqualEnough;
}

} // namespace

std::int32_t CheckAudioType(IMFMediaType* type) {
    GUID major = GUID_NULL;
    GUID subtype = GUID_NULL;
    if (!type || FAILED(type->GetGUID(MF_MT_MAJOR_TYPE, &major)) || major != MFMediaType_Audio ||
        FAILED(type->GetGUID(MF_MT_SUBTYPE, &subtype)))
        return kSampleKindNone;
    UINT32 bits = 0;
    if (FAILED(type->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits)))
        return kSampleKindNone;
    if (subtype == MFAudioFormat_PCM && bits == 16)
        return kSampleKindPcm16;
    if (subtype == MFAudioFormat_Float && bits == 32)
        return kSampleKindFloat32;
    return kSampleKindNone;
}

ComPtr<GainMFT> CreateGainMft(std::uint32_t targetGain) {
    ComPtr<GainMFT> created;
    // Taken over without an AddRef (not every ComPtr's Attach leaves the count alone).
    *created.ReleaseAndGetAddressOf() = new (std::nothrow) GainMFT(targetGain);
    return created;
}

GainMFT::GainMFT(std::uint32_t initialTargetGain) : targetGain(initialTargetGain) {
    InitializeCriticalSection(&lock);
}

GainMFT::~GainMFT() {
    inputType.Reset();
    outputType.Reset();
    pendingSample.Reset();
    DeleteCriticalSection(&lock);
}

STDMETHODIMP GainMFT::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == __uuidof(IMFTransform)) {
        *object = static_cast<IMFTransform*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) GainMFT::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

STDMETHODIMP_(ULONG) GainMFT::Release() {
    const LONG count = InterlockedDecrement(&refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP GainMFT::GetStreamLimits(DWORD* inputMin, DWORD* inputMax, DWORD* outputMin, DWORD* outputMax) {
    if (!inputMin || !inputMax || !outputMin || !outputMax)
        return E_POINTER;
    *inputMin = *inputMax = *outputMin = *outputMax = 1;
    return S_OK;
}

STDMETHODIMP GainMFT::GetStreamCount(DWORD* inputs, DWORD* outputs) {
    if (!inputs || !outputs)
        return E_POINTER;
    *inputs = *outputs = 1;
    return S_OK;
}

STDMETHODIMP GainMFT::GetInputStreamInfo(DWORD stream, MFT_INPUT_STREAM_INFO* info) {
    if (stream != 0)
        return MF_E_INVALIDSTREAMNUMBER;
    if (!info)
        return E_POINTER;
    *info = {};
    info->dwFlags = MFT_INPUT_STREAM_WHOLE_SAMPLES | MFT_INPUT_STREAM_SINGLE_SAMPLE_PER_BUFFER;
    return S_OK;
}

STDMETHODIMP GainMFT::GetOutputStreamInfo(DWORD stream, MFT_OUTPUT_STREAM_INFO* info) {
    if (stream != 0)
        return MF_E_INVALIDSTREAMNUMBER;
    if (!info)
        return E_POINTER;
    *info = {};
    // The transform hands on the very sample it was given, so it provides the output samples.
    info->dwFlags = MFT_OUTPUT_STREAM_WHOLE_SAMPLES | MFT_OUTPUT_STREAM_SINGLE_SAMPLE_PER_BUFFER |
                    MFT_OUTPUT_STREAM_PROVIDES_SAMPLES;
    return S_OK;
}

HRESULT GainMFT::AvailableType(IMFMediaType* mirrored, DWORD stream, DWORD index, IMFMediaType** type) {
    if (stream != 0)
        return MF_E_INVALIDSTREAMNUMBER;
    if (!type)
        return E_POINTER;
    if (!mirrored)
        return E_NOTIMPL;
    if (index != 0)
        return MF_E_NO_MORE_TYPES;
    return CopyType(mirrored, type);
}

STDMETHODIMP GainMFT::GetInputAvailableType(DWORD stream, DWORD index, IMFMediaType** type) {
    CriticalSectionLock held(lock);
    return AvailableType(outputType.Get(), stream, index, type);
}

STDMETHODIMP GainMFT::GetOutputAvailableType(DWORD stream, DWORD index, IMFMediaType** type) {
    CriticalSectionLock held(lock);
    return AvailableType(inputType.Get(), stream, index, type);
}

HRESULT GainMFT::SetType(bool input, IMFMediaType* type, DWORD flags) {
    CriticalSectionLock held(lock);
    if (pendingSample)
        return MF_E_TRANSFORM_CANNOT_CHANGE_MEDIATYPE_WHILE_PROCESSING;
    ComPtr<IMFMediaType>& own = input ? inputType : outputType;
    if (!type) {
        own.Reset();
        if (input)
            sampleKind = kSampleKindNone;
        return S_OK;
    }
    const std::int32_t kind = CheckAudioType(type);
    if (kind == kSampleKindNone || !MatchesOtherSide((input ? outputType : inputType).Get(), type))
        return MF_E_INVALIDMEDIATYPE;
    if (flags & MFT_SET_TYPE_TEST_ONLY)
        return S_OK;
    own = type;
    if (input)
        sampleKind = kind;
    return S_OK;
}

STDMETHODIMP GainMFT::SetInputType(DWORD stream, IMFMediaType* type, DWORD flags) {
    if (stream != 0)
        return MF_E_INVALIDSTREAMNUMBER;
    return SetType(true, type, flags);
}

STDMETHODIMP GainMFT::SetOutputType(DWORD stream, IMFMediaType* type, DWORD flags) {
    if (stream != 0)
        return MF_E_INVALIDSTREAMNUMBER;
    return SetType(false, type, flags);
}

HRESULT GainMFT::CurrentType(IMFMediaType* current, DWORD stream, IMFMediaType** type) {
    if (stream != 0)
        return MF_E_INVALIDSTREAMNUMBER;
    if (!type)
        return E_POINTER;
    if (!current)
        return MF_E_TRANSFORM_TYPE_NOT_SET;
    return CopyType(current, type);
}

STDMETHODIMP GainMFT::GetInputCurrentType(DWORD stream, IMFMediaType** type) {
    CriticalSectionLock held(lock);
    return CurrentType(inputType.Get(), stream, type);
}

STDMETHODIMP GainMFT::GetOutputCurrentType(DWORD stream, IMFMediaType** type) {
    CriticalSectionLock held(lock);
    return CurrentType(outputType.Get(), stream, type);
}

STDMETHODIMP GainMFT::GetInputStatus(DWORD stream, DWORD* flags) {
    if (stream != 0)
        return MF_E_INVALIDSTREAMNUMBER;
    if (!flags)
        return E_POINTER;
    CriticalSectionLock held(lock);
    *flags = pendingSample ? 0 : MFT_INPUT_STATUS_ACCEPT_DATA;
    return S_OK;
}

STDMETHODIMP GainMFT::GetOutputStatus(DWORD* flags) {
    if (!flags)
        return E_POINTER;
    CriticalSectionLock held(lock);
    *flags = pendingSample ? MFT_OUTPUT_STATUS_SAMPLE_READY : 0;
    return S_OK;
}

STDMETHODIMP GainMFT::ProcessMessage(MFT_MESSAGE_TYPE message, ULONG_PTR) {
    CriticalSectionLock held(lock);
    if (message == MFT_MESSAGE_COMMAND_FLUSH) {
        pendingSample.Reset();
        // After a seek or a stop a ramp from the old gain would only fade the new position in.
        lastGain = targetGain.load();
    }
    return S_OK;
}

STDMETHODIMP GainMFT::ProcessInput(DWORD stream, IMFSample* sample, DWORD) {
    if (stream != 0)
        return MF_E_INVALIDSTREAMNUMBER;
    if (!sample)
        return E_POINTER;
    CriticalSectionLock held(lock);
    if (!inputType)
        return MF_E_TRANSFORM_TYPE_NOT_SET;
    if (pendingSample)
        return MF_E_NOTACCEPTING;
    pendingSample = sample;
    return S_OK;
}

STDMETHODIMP GainMFT::ProcessOutput(DWORD, DWORD count, MFT_OUTPUT_DATA_BUFFER* buffers, DWORD* status) {
    if (count != 1 || !buffers || !status)
        return E_INVALIDARG;
    CriticalSectionLock held(lock);
    if (!pendingSample)
        return MF_E_TRANSFORM_NEED_MORE_INPUT;
    const std::uint32_t gain = targetGain.load();
    if (GainChangesSamples(lastGain, gain) && sampleKind != kSampleKindNone)
        ApplyGain(pendingSample.Get(), lastGain, gain);
    lastGain = gain;
    buffers[0].pSample = pendingSample.Detach();
    buffers[0].dwStatus = 0;
    *status = 0;
    return S_OK;
}

// A buffer that cannot be reached is handed on as it is.
void GainMFT::ApplyGain(IMFSample* sample, std::uint32_t from, std::uint32_t to) {
    ComPtr<IMFMediaBuffer> buffer;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (FAILED(sample->ConvertToContiguousBuffer(&buffer)) || FAILED(buffer->Lock(&data, nullptr, &length)))
        return;
    if (sampleKind == kSampleKindPcm16)
        ProcessGain(std::span(reinterpret_cast<std::int16_t*>(data), length / sizeof(std::int16_t)), from,
                    to);
    else
        ProcessGain(std::span(reinterpret_cast<float*>(data), length / sizeof(float)), from, to);
    buffer->Unlock();
}
