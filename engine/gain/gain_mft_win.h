#pragma once
// GainMFT: a minimal synchronous transform with one input and one output stream that multiplies
// 16-bit PCM or 32-bit float audio by a gain, in place, ramping each change across one buffer.
// It never converts formats: input and output type are always equal. Its target gain is the one
// value shared with the user-interface thread, written and read atomically without the lock.
#include <windows.h>
#include <mfidl.h>
#include <mftransform.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdint>

class GainMFT final : public IMFTransform {
  public:
    explicit GainMFT(std::uint32_t initialTargetGain);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IMFTransform
    STDMETHODIMP GetStreamLimits(DWORD* inputMin, DWORD* inputMax, DWORD* outputMin,
                                 DWORD* outputMax) override;
    STDMETHODIMP GetStreamCount(DWORD* inputs, DWORD* outputs) override;
    STDMETHODIMP GetStreamIDs(DWORD, DWORD*, DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetInputStreamInfo(DWORD stream, MFT_INPUT_STREAM_INFO* info) override;
    STDMETHODIMP GetOutputStreamInfo(DWORD stream, MFT_OUTPUT_STREAM_INFO* info) override;
    STDMETHODIMP GetAttributes(IMFAttributes**) override { return E_NOTIMPL; }
    STDMETHODIMP GetInputStreamAttributes(DWORD, IMFAttributes**) override { return E_NOTIMPL; }
    STDMETHODIMP GetOutputStreamAttributes(DWORD, IMFAttributes**) override { return E_NOTIMPL; }
    STDMETHODIMP DeleteInputStream(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP AddInputStreams(DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetInputAvailableType(DWORD stream, DWORD index, IMFMediaType** type) override;
    STDMETHODIMP GetOutputAvailableType(DWORD stream, DWORD index, IMFMediaType** type) override;
    STDMETHODIMP SetInputType(DWORD stream, IMFMediaType* type, DWORD flags) override;
    STDMETHODIMP SetOutputType(DWORD stream, IMFMediaType* type, DWORD flags) override;
    STDMETHODIMP GetInputCurrentType(DWORD stream, IMFMediaType** type) override;
    STDMETHODIMP GetOutputCurrentType(DWORD stream, IMFMediaType** type) override;
    STDMETHODIMP GetInputStatus(DWORD stream, DWORD* flags) override;
    STDMETHODIMP GetOutputStatus(DWORD* flags) override;
    STDMETHODIMP SetOutputBounds(LONGLONG, LONGLONG) override { return E_NOTIMPL; }
    STDMETHODIMP ProcessEvent(DWORD, IMFMediaEvent*) override { return E_NOTIMPL; }
    STDMETHODIMP ProcessMessage(MFT_MESSAGE_TYPE message, ULONG_PTR param) override;
    STDMETHODIMP ProcessInput(DWORD stream, IMFSample* sample, DWORD flags) override;
    STDMETHODIMP ProcessOutput(DWORD flags, DWORD count, MFT_OUTPUT_DATA_BUFFER* buffers,
                               DWORD* status) override;

    // Q12 (4096 = 1.0); takes effect at the next processed buffer, ramped from the last gain.
    void SetTargetGain(std::uint32_t gain) { targetGain.exchange(gain); }
    std::uint32_t TargetGain() const { return targetGain.load(); }

  private:
    virtual ~GainMFT();

    HRESULT AvailableType(IMFMediaType* mirrored, DWORD stream, DWORD index, IMFMediaType** type);
    HRESULT SetType(bool input, IMFMediaType* type, DWORD flags);
    HRESULT CurrentType(IMFMediaType* current, DWORD stream, IMFMediaType** type);
    void ApplyGain(IMFSample* sample, std::uint32_t from, std::uint32_t to);

    volatile LONG refCount = 1;
    CRITICAL_SECTION lock;
    Microsoft::WRL::ComPtr<IMFMediaType> inputType;
    Microsoft::WRL::ComPtr<IMFMediaType> outputType;
    Microsoft::WRL::ComPtr<IMFSample> pendingSample;
    std::atomic<std::uint32_t> targetGain;
    std::uint32_t lastGain = 4096;
    std::int32_t sampleKind = 0; // kSampleKind..., set by SetInputType
};

// A new transform holding its creation reference, or null when there is no memory for one.
Microsoft::WRL::ComPtr<GainMFT> CreateGainMft(std::uint32_t targetGain);

inline constexpr std::int32_t kSampleKindNone = 0;
inline constexpr std::int32_t kSampleKindPcm16 = 1;
inline constexpr std::int32_t kSampleKindFloat32 = 2;

// The sample kind of an audio type the transform accepts, or kSampleKindNone.
std::int32_t CheckAudioType(IMFMediaType* type);
