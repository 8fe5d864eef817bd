#include "engine/video/frame_sink_win.h"

#include <mfapi.h>

#include <new>

#include "base/critical_section_win.h"
#include "engine/engine_events_win.h"
#include "engine/session/session_engine_win.h"
#include "engine/video/letterbox.h"
#include "engine/video/nv12_convert.h"

namespace {

std::atomic<long> paintedFrames{0};

} // namespace

SEGrab::SEGrab(HWND videoWindow) : videoWindow_(videoWindow) { InitializeCriticalSection(&lock_); }

SEGrab::~SEGrab() { DeleteCriticalSection(&lock_); }

STDMETHODIMP SEGrab::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMFSampleGrabberSinkCallback || riid == IID_IMFClockStateSink) {
        *object = static_cast<IMFSampleGrabberSinkCallback*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) SEGrab::AddRef() { return static_cast<ULONG>(++refCount_); }

STDMETHODIMP_(ULONG) SEGrab::Release() {
    const LONG count = --refCount_;
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

void SEGrab::SetAperture(const Aperture& aperture) {
    aperture_ = aperture;
    bt709_ = UsesBt709(aperture);
}

STDMETHODIMP SEGrab::OnProcessSample(REFGUID, DWORD, LONGLONG, LONGLONG, const BYTE* buffer, DWORD size) {
    if (buffer == nullptr)
        return S_OK;
    const auto layout = InferNv12Layout(size, aperture_);
    if (!layout)
        return S_OK; // a frame whose layout cannot be known is dropped; the last good one stays
    if (!StoreFrame(buffer, *layout))
        return S_OK; // no memory for the picture: this frame is skipped, playback goes on
    ++convertedFrames_;
    if (HWND window = videoWindow_.load())
        PostMessageW(window, WM_APP_VIDEO_FRAME, 0, 0);
    return S_OK;
}

// The size is recorded only once the buffer holds it, so a failed allocation never leaves a
// frame size that the pixels do not match.
bool SEGrab::StoreFrame(const BYTE* buffer, const Nv12Layout& layout) {
    CriticalSectionLock guard(lock_);
    try {
        pixels_.resize(static_cast<size_t>(aperture_.width) * aperture_.height * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    frameWidth_ = aperture_.width;
    frameHeight_ = aperture_.height;
    ConvertNv12ToBgra(Nv12Source{buffer, layout, aperture_, bt709_}, pixels_.data());
    return true;
}

void SEGrab::DropFrame() {
    CriticalSectionLock guard(lock_);
    std::vector<std::uint8_t>().swap(pixels_);
    frameWidth_ = 0;
    frameHeight_ = 0;
}

bool SEGrab::GetFrameSnapshot(FrameSnapshot& out) {
    CriticalSectionLock guard(lock_);
    if (frameWidth_ <= 0 || pixels_.empty())
        return false;
    try {
        out.pixels = pixels_;
    } catch (const std::bad_alloc&) {
        return false; // painted black this time
    }
    out.width = frameWidth_;
    out.height = frameHeight_;
    return true;
}

void ConfigureFrameSink(SEGrab* sink, IMFMediaType* mediaType) {
    std::optional<CodedSize> coded;
    std::optional<Aperture> area;
    if (mediaType) {
        UINT32 width = 0, height = 0;
        if (SUCCEEDED(MFGetAttributeSize(mediaType, MF_MT_FRAME_SIZE, &width, &height)))
            coded = CodedSize{width, height};
        MFVideoArea blob{};
        UINT32 got = 0;
        if (SUCCEEDED(mediaType->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&blob), sizeof blob,
                                         &got)) &&
            got == sizeof blob)
            area = Aperture{blob.OffsetX.value, blob.OffsetY.value, static_cast<int>(blob.Area.cx),
                            static_cast<int>(blob.Area.cy)};
    }
    sink->SetAperture(ApertureFromMediaType(coded, area));
}

namespace {

void DrawFrame(HDC memory, int width, int height) {
    SEGrab* sink = sessionEngine ? sessionEngine->frameSink.Get() : nullptr;
    SEGrab::FrameSnapshot frame;
    if (sink == nullptr || !sink->GetFrameSnapshot(frame) || frame.width <= 0 || frame.height <= 0)
        return;
    const LetterboxRect box = ComputeLetterbox(width, height, frame.width, frame.height);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = frame.width;
    header.biHeight = -frame.height; // rows top-down
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    SetStretchBltMode(memory, COLORONCOLOR);
    StretchDIBits(memory, box.x, box.y, box.width, box.height, 0, 0, frame.width, frame.height,
                  frame.pixels.data(), reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS, SRCCOPY);
    ++paintedFrames;
}

} // namespace

void PaintVideoFrame(HDC dc, HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0)
        return;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DrawFrame(memory, width, height);
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

long PaintedVideoFrames() { return paintedFrames.load(); }
