#pragma once
// The session engine's video sink: the sample grabber hands every decoded NV12 frame to SEGrab,
// which keeps the newest one converted to BGRA and tells the video window to repaint.
#include <windows.h>
#include <mfidl.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/video/nv12_frame.h"

class SEGrab final : public IMFSampleGrabberSinkCallback {
  public:
    explicit SEGrab(HWND videoWindow);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IMFClockStateSink
    STDMETHODIMP OnClockStart(MFTIME, LONGLONG) override { return S_OK; }
    STDMETHODIMP OnClockStop(MFTIME) override { return S_OK; }
    STDMETHODIMP OnClockPause(MFTIME) override { return S_OK; }
    STDMETHODIMP OnClockRestart(MFTIME) override { return S_OK; }
    STDMETHODIMP OnClockSetRate(MFTIME, float) override { return S_OK; }
    // IMFSampleGrabberSinkCallback
    STDMETHODIMP OnSetPresentationClock(IMFPresentationClock*) override { return S_OK; }
    STDMETHODIMP OnProcessSample(REFGUID majorType, DWORD flags, LONGLONG sampleTime, LONGLONG sampleDuration,
                                 const BYTE* buffer, DWORD size) override;
    STDMETHODIMP OnShutdown() override { return S_OK; }

    void SetAperture(const Aperture& aperture);
    void ClearVideoWindow() { videoWindow_.store(nullptr); }

    struct FrameSnapshot {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> pixels;
    };
    bool GetFrameSnapshot(FrameSnapshot& out);
    // Frees the picture (a closed session's sink keeps nothing large).
    void DropFrame();

    long ConvertedFrames() const { return convertedFrames_.load(); }

  private:
    ~SEGrab();
    bool StoreFrame(const BYTE* buffer, const Nv12Layout& layout);

    std::atomic<LONG> refCount_{1};
    CRITICAL_SECTION lock_;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    std::vector<std::uint8_t> pixels_;
    Aperture aperture_;
    bool bt709_ = true;
    std::atomic<HWND> videoWindow_;
    std::atomic<long> convertedFrames_{0};
};

// Sets the sink's aperture and colour matrix from the video stream's media type (or none).
void ConfigureFrameSink(SEGrab* sink, IMFMediaType* mediaType);

// Paints the newest frame letterboxed on black, double-buffered.
void PaintVideoFrame(HDC dc, HWND window);

// Frames painted by PaintVideoFrame since the start (diagnostics).
long PaintedVideoFrames();
