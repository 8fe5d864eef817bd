// SEGrab through its COM interfaces, fed directly the way the sample grabber feeds it.
#include <gtest/gtest.h>

#include <windows.h>
#include <mfapi.h>

#include <vector>

#include "engine/engine_events_win.h"
#include "engine/video/frame_sink_win.h"

namespace {

// A message-only window that counts the frame notices it receives.
class NoticeCounter {
  public:
    NoticeCounter() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"JkFrameNoticeCounter";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                 nullptr);
        count = 0;
    }
    ~NoticeCounter() { DestroyWindow(window); }
    int Drain() {
        MSG msg;
        while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        return count;
    }
    HWND window = nullptr;
    static inline int count = 0;

  private:
    static LRESULT CALLBACK Procedure(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_APP_VIDEO_FRAME)
            ++count;
        return DefWindowProcW(w, m, wp, lp);
    }
};

// A 32 x 16 NV12 frame (stride 32, 16 lines) of one grey: luma as given, neutral chroma.
std::vector<BYTE> GreyFrame(BYTE luma) {
    std::vector<BYTE> frame(32 * 16 * 3 / 2, luma);
    std::fill(frame.begin() + 32 * 16, frame.end(), 128);
    return frame;
}

std::vector<BYTE> WhiteFrame() {
    return GreyFrame(235);
}

IMFMediaType* VideoType(UINT32 width, UINT32 height) {
    IMFMediaType* type = nullptr;
    MFCreateMediaType(&type);
    type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    MFSetAttributeSize(type, MF_MT_FRAME_SIZE, width, height);
    return type;
}

// A sink configured for a 32 x 16 stream, notifying the given window.
SEGrab* ConfiguredSink(HWND window) {
    SEGrab* sink = new SEGrab(window);
    IMFMediaType* type = VideoType(32, 16);
    ConfigureFrameSink(sink, type);
    type->Release();
    return sink;
}

TEST(FrameSink, AnswersOnlyItsInterfaces) {
    SEGrab* sink = new SEGrab(nullptr);
    void* object = nullptr;
    for (const IID& iid : {IID_IUnknown, IID_IMFSampleGrabberSinkCallback, IID_IMFClockStateSink}) {
        ASSERT_EQ(sink->QueryInterface(iid, &object), S_OK);
        EXPECT_EQ(object, static_cast<IMFSampleGrabberSinkCallback*>(sink));
        static_cast<IUnknown*>(object)->Release();
    }
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink->QueryInterface(IID_IMFMediaSink, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(sink->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(sink->AddRef(), 2u);
    EXPECT_EQ(sink->Release(), 1u);
    EXPECT_EQ(sink->Release(), 0u);
}

TEST(FrameSink, ConvertsKeepsTheNewestFrameAndNotifies) {
    NoticeCounter notices;
    SEGrab* sink = ConfiguredSink(notices.window);
    SEGrab::FrameSnapshot snapshot;
    EXPECT_FALSE(sink->GetFrameSnapshot(snapshot)) << "no frame yet";

    const auto frame = WhiteFrame();
    EXPECT_EQ(
        sink->OnProcessSample(MFMediaType_Video, 0, 0, 0, frame.data(), static_cast<DWORD>(frame.size())),
        S_OK);
    ASSERT_TRUE(sink->GetFrameSnapshot(snapshot));
    EXPECT_EQ(snapshot.width, 32);
    EXPECT_EQ(snapshot.height, 16);
    ASSERT_EQ(snapshot.pixels.size(), 32u * 16 * 4);
    EXPECT_EQ(snapshot.pixels[0], 255);
    EXPECT_EQ(snapshot.pixels[3], 255);
    EXPECT_EQ(notices.Drain(), 1);

    // A newer frame replaces the older one: the painted picture is always the latest.
    const auto black = GreyFrame(16);
    sink->OnProcessSample(MFMediaType_Video, 0, 0, 0, black.data(), static_cast<DWORD>(black.size()));
    ASSERT_TRUE(sink->GetFrameSnapshot(snapshot));
    ASSERT_EQ(snapshot.pixels.size(), 32u * 16 * 4);
    for (size_t i : {size_t{0}, size_t{1}, size_t{2}, snapshot.pixels.size() - 2})
        EXPECT_EQ(snapshot.pixels[i], 0) << "byte " << i;
    EXPECT_EQ(snapshot.pixels[3], 255) << "alpha stays opaque";
    EXPECT_EQ(sink->ConvertedFrames(), 2);
    EXPECT_EQ(notices.Drain(), 2);

    sink->ClearVideoWindow();
    sink->OnProcessSample(MFMediaType_Video, 0, 0, 0, frame.data(), static_cast<DWORD>(frame.size()));
    EXPECT_EQ(notices.Drain(), 2) << "no notices once the window is cleared";
    sink->Release();
}

TEST(FrameSink, DropsFramesThatDoNotFit) {
    NoticeCounter notices;
    SEGrab* sink = ConfiguredSink(notices.window);
    const auto frame = WhiteFrame();
    const struct {
        const char* name;
        const BYTE* data;
        DWORD size;
    } dropped[] = {
        {"null buffer", nullptr, 768},
        {"tiny buffer", frame.data(), 5},
        {"buffer shorter than the frame", frame.data(), 500},
    };
    for (const auto& d : dropped)
        EXPECT_EQ(sink->OnProcessSample(MFMediaType_Video, 0, 0, 0, d.data, d.size), S_OK) << d.name;
    SEGrab::FrameSnapshot snapshot;
    EXPECT_FALSE(sink->GetFrameSnapshot(snapshot));
    EXPECT_EQ(notices.Drain(), 0);
    sink->Release();
}

} // namespace
