// The gain transform driven directly through IMFTransform with real samples, and the engine's
// seek, volume and gain controls on real playback of the generated clips.
#include <gtest/gtest.h>

#include <windows.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/engine_state.h"
#include "engine/gain/gain_mft_win.h"
#include "engine/playback_controls_win.h"
#include "engine/session/session_engine_win.h"
#include "playlist/playlist_state.h"
#include "playlist/playlist_win.h"
#include "tests/wine/playback_fixture_win.h"
#include "tests/wine/test_support_win.h"

using Microsoft::WRL::ComPtr;

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MediaFoundationEnvironment);

ComPtr<IMFMediaType> AudioType(const GUID& subtype, UINT32 bits, const GUID& major = MFMediaType_Audio) {
    ComPtr<IMFMediaType> type;
    EXPECT_EQ(MFCreateMediaType(&type), S_OK);
    type->SetGUID(MF_MT_MAJOR_TYPE, major);
    type->SetGUID(MF_MT_SUBTYPE, subtype);
    type->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, bits);
    type->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, 2);
    type->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, 48000);
    type->SetUINT32(MF_MT_AUDIO_BLOCK_ALIGNMENT, 2 * bits / 8);
    type->SetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, 48000 * 2 * bits / 8);
    return type;
}

ComPtr<IMFMediaType> PcmType() {
    return AudioType(MFAudioFormat_PCM, 16);
}
ComPtr<IMFMediaType> FloatType() {
    return AudioType(MFAudioFormat_Float, 32);
}

ComPtr<GainMFT> NewGain(std::uint32_t targetGain) {
    ComPtr<GainMFT> gain = CreateGainMft(targetGain);
    EXPECT_TRUE(gain);
    return gain;
}

ComPtr<GainMFT> GainWithTypes(std::uint32_t targetGain, IMFMediaType* type) {
    ComPtr<GainMFT> gain = NewGain(targetGain);
    EXPECT_EQ(gain->SetInputType(0, type, 0), S_OK);
    EXPECT_EQ(gain->SetOutputType(0, type, 0), S_OK);
    return gain;
}

template <class T> ComPtr<IMFSample> MakeSample(const std::vector<T>& values) {
    const DWORD bytes = static_cast<DWORD>(values.size() * sizeof(T));
    ComPtr<IMFMediaBuffer> buffer;
    ComPtr<IMFSample> sample;
    EXPECT_EQ(MFCreateMemoryBuffer(bytes, &buffer), S_OK);
    BYTE* data = nullptr;
    EXPECT_EQ(buffer->Lock(&data, nullptr, nullptr), S_OK);
    std::memcpy(data, values.data(), bytes);
    buffer->Unlock();
    buffer->SetCurrentLength(bytes);
    EXPECT_EQ(MFCreateSample(&sample), S_OK);
    sample->AddBuffer(buffer.Get());
    return sample;
}

template <class T> std::vector<T> SampleValues(IMFSample* sample) {
    ComPtr<IMFMediaBuffer> buffer;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (FAILED(sample->ConvertToContiguousBuffer(&buffer)) || FAILED(buffer->Lock(&data, nullptr, &length)))
        return {};
    std::vector<T> values(length / sizeof(T));
    std::memcpy(values.data(), data, values.size() * sizeof(T));
    buffer->Unlock();
    return values;
}

// One buffer through the transform; the output is the very sample that went in.
template <class T> std::vector<T> RunThrough(IMFTransform* gain, const std::vector<T>& values) {
    ComPtr<IMFSample> sample = MakeSample(values);
    EXPECT_EQ(gain->ProcessInput(0, sample.Get(), 0), S_OK);
    MFT_OUTPUT_DATA_BUFFER output = {};
    DWORD status = 1;
    EXPECT_EQ(gain->ProcessOutput(0, 1, &output, &status), S_OK);
    EXPECT_EQ(output.pSample, sample.Get());
    EXPECT_EQ(output.dwStatus, 0u);
    EXPECT_EQ(status, 0u);
    ComPtr<IMFSample> returned;
    *returned.ReleaseAndGetAddressOf() = output.pSample; // the transform's reference passes to the caller
    return returned ? SampleValues<T>(returned.Get()) : std::vector<T>{};
}

LONG RefCount(IUnknown* object) {
    object->AddRef();
    return static_cast<LONG>(object->Release());
}

TEST(GainMft, AcceptsOnly16BitPcmAnd32BitFloat) {
    const struct {
        const char* name;
        ComPtr<IMFMediaType> type;
        HRESULT hr;
    } cases[] = {
        {"16-bit PCM", PcmType(), S_OK},
        {"32-bit float", FloatType(), S_OK},
        {"24-bit PCM", AudioType(MFAudioFormat_PCM, 24), MF_E_INVALIDMEDIATYPE},
        {"32-bit PCM", AudioType(MFAudioFormat_PCM, 32), MF_E_INVALIDMEDIATYPE},
        {"16-bit float", AudioType(MFAudioFormat_Float, 16), MF_E_INVALIDMEDIATYPE},
        {"compressed audio", AudioType(MFAudioFormat_AAC, 16), MF_E_INVALIDMEDIATYPE},
        {"video", AudioType(MFAudioFormat_PCM, 16, MFMediaType_Video), MF_E_INVALIDMEDIATYPE},
    };
    for (const auto& c : cases) {
        ComPtr<GainMFT> gain = NewGain(4096);
        EXPECT_EQ(gain->SetInputType(0, c.type.Get(), 0), c.hr) << c.name;
        EXPECT_EQ(NewGain(4096)->SetOutputType(0, c.type.Get(), 0), c.hr) << c.name;
        ComPtr<IMFMediaType> current;
        EXPECT_EQ(gain->GetInputCurrentType(0, &current), c.hr == S_OK ? S_OK : MF_E_TRANSFORM_TYPE_NOT_SET)
            << c.name;
    }
    ComPtr<IMFMediaType> noSubtype;
    ASSERT_EQ(MFCreateMediaType(&noSubtype), S_OK);
    noSubtype->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    EXPECT_EQ(NewGain(4096)->SetInputType(0, noSubtype.Get(), 0), MF_E_INVALIDMEDIATYPE);
}

TEST(GainMft, TestOnlyValidatesWithoutStoring) {
    ComPtr<GainMFT> gain = NewGain(4096);
    EXPECT_EQ(gain->SetInputType(0, PcmType().Get(), MFT_SET_TYPE_TEST_ONLY), S_OK);
    EXPECT_EQ(gain->SetInputType(0, AudioType(MFAudioFormat_PCM, 24).Get(), MFT_SET_TYPE_TEST_ONLY),
              MF_E_INVALIDMEDIATYPE);
    EXPECT_EQ(gain->SetOutputType(0, FloatType().Get(), MFT_SET_TYPE_TEST_ONLY), S_OK);
    ComPtr<IMFMediaType> type;
    EXPECT_EQ(gain->GetInputCurrentType(0, &type), MF_E_TRANSFORM_TYPE_NOT_SET);
    EXPECT_EQ(gain->GetOutputCurrentType(0, &type), MF_E_TRANSFORM_TYPE_NOT_SET);
    EXPECT_EQ(gain->GetOutputAvailableType(0, 0, &type), E_NOTIMPL);
    // A stored input type makes a test of a different output type fail, and stores nothing.
    ASSERT_EQ(gain->SetInputType(0, PcmType().Get(), 0), S_OK);
    EXPECT_EQ(gain->SetOutputType(0, FloatType().Get(), MFT_SET_TYPE_TEST_ONLY), MF_E_INVALIDMEDIATYPE);
    EXPECT_EQ(gain->SetOutputType(0, PcmType().Get(), MFT_SET_TYPE_TEST_ONLY), S_OK);
    EXPECT_EQ(gain->GetOutputCurrentType(0, &type), MF_E_TRANSFORM_TYPE_NOT_SET);
}

bool SameType(IMFMediaType* a, IMFMediaType* b) {
    BOOL equal = FALSE;
    return a && b && SUCCEEDED(a->Compare(b, MF_ATTRIBUTES_MATCH_ALL_ITEMS, &equal)) && equal;
}

TEST(GainMft, AvailableTypesMirrorTheOtherSide) {
    for (const bool inputFirst : {true, false}) {
        ComPtr<GainMFT> gain = NewGain(4096);
        ComPtr<IMFMediaType> offered;
        EXPECT_EQ(gain->GetInputAvailableType(0, 0, &offered), E_NOTIMPL);
        EXPECT_EQ(gain->GetOutputAvailableType(0, 0, &offered), E_NOTIMPL);
        ComPtr<IMFMediaType> first = FloatType();
        ASSERT_EQ(inputFirst ? gain->SetInputType(0, first.Get(), 0) : gain->SetOutputType(0, first.Get(), 0),
                  S_OK);
        auto available = [&](DWORD index, IMFMediaType** type) {
            return inputFirst ? gain->GetOutputAvailableType(0, index, type)
                              : gain->GetInputAvailableType(0, index, type);
        };
        ASSERT_EQ(available(0, &offered), S_OK);
        EXPECT_NE(offered.Get(), first.Get()) << "a copy, not the stored type";
        EXPECT_TRUE(SameType(offered.Get(), first.Get()));
        ComPtr<IMFMediaType> second;
        EXPECT_EQ(available(1, &second), MF_E_NO_MORE_TYPES);
        ComPtr<IMFMediaType> pcm = PcmType();
        EXPECT_EQ(inputFirst ? gain->SetOutputType(0, pcm.Get(), 0) : gain->SetInputType(0, pcm.Get(), 0),
                  MF_E_INVALIDMEDIATYPE);
        EXPECT_EQ(inputFirst ? gain->SetOutputType(0, offered.Get(), 0)
                             : gain->SetInputType(0, offered.Get(), 0),
                  S_OK);
        ComPtr<IMFMediaType> current;
        ASSERT_EQ(gain->GetOutputCurrentType(0, &current), S_OK);
        EXPECT_TRUE(SameType(current.Get(), first.Get()));
    }
}

TEST(GainMft, ClearingTheInputTypeStopsInput) {
    ComPtr<GainMFT> gain = GainWithTypes(4096, PcmType().Get());
    EXPECT_EQ(gain->SetInputType(0, nullptr, 0), S_OK);
    ComPtr<IMFMediaType> type;
    EXPECT_EQ(gain->GetInputCurrentType(0, &type), MF_E_TRANSFORM_TYPE_NOT_SET);
    EXPECT_EQ(gain->GetOutputCurrentType(0, &type), S_OK) << "the output side keeps its type";
    ComPtr<IMFSample> sample = MakeSample(std::vector<std::int16_t>{1, 2});
    EXPECT_EQ(gain->ProcessInput(0, sample.Get(), 0), MF_E_TRANSFORM_TYPE_NOT_SET);
}

TEST(GainMft, OneSampleAtATime) {
    ComPtr<GainMFT> gain = NewGain(4096);
    ComPtr<IMFSample> first = MakeSample(std::vector<float>{0.1f, 0.2f});
    ComPtr<IMFSample> second = MakeSample(std::vector<float>{0.3f, 0.4f});
    EXPECT_EQ(gain->ProcessInput(0, first.Get(), 0), MF_E_TRANSFORM_TYPE_NOT_SET);
    ASSERT_EQ(gain->SetInputType(0, FloatType().Get(), 0), S_OK);
    MFT_OUTPUT_DATA_BUFFER output = {};
    DWORD status = 0, flags = 0;
    EXPECT_EQ(gain->ProcessOutput(0, 1, &output, &status), MF_E_TRANSFORM_NEED_MORE_INPUT);
    EXPECT_EQ(gain->GetInputStatus(0, &flags), S_OK);
    EXPECT_EQ(flags, static_cast<DWORD>(MFT_INPUT_STATUS_ACCEPT_DATA));
    EXPECT_EQ(gain->GetOutputStatus(&flags), S_OK);
    EXPECT_EQ(flags, 0u);
    ASSERT_EQ(gain->ProcessInput(0, first.Get(), 0), S_OK);
    EXPECT_EQ(gain->ProcessInput(0, second.Get(), 0), MF_E_NOTACCEPTING);
    EXPECT_EQ(gain->SetInputType(0, FloatType().Get(), 0),
              MF_E_TRANSFORM_CANNOT_CHANGE_MEDIATYPE_WHILE_PROCESSING);
    EXPECT_EQ(gain->GetInputStatus(0, &flags), S_OK);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(gain->GetOutputStatus(&flags), S_OK);
    EXPECT_EQ(flags, static_cast<DWORD>(MFT_OUTPUT_STATUS_SAMPLE_READY));
    MFT_OUTPUT_DATA_BUFFER two[2] = {};
    EXPECT_EQ(gain->ProcessOutput(0, 2, two, &status), E_INVALIDARG);
    EXPECT_EQ(gain->ProcessOutput(0, 1, nullptr, &status), E_INVALIDARG);
    EXPECT_EQ(gain->ProcessOutput(0, 1, &output, nullptr), E_INVALIDARG);
    ASSERT_EQ(gain->ProcessOutput(0, 1, &output, &status), S_OK);
    EXPECT_EQ(output.pSample, first.Get());
    if (output.pSample)
        output.pSample->Release();
    EXPECT_EQ(gain->ProcessInput(0, second.Get(), 0), S_OK) << "accepts again once the sample is out";
}

TEST(GainMft, GainRampsAcrossOneBufferThenHolds) {
    {
        ComPtr<GainMFT> gain = GainWithTypes(8192, FloatType().Get());
        EXPECT_EQ(RunThrough(gain.Get(), std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}),
                  (std::vector<float>{0.5f, 0.625f, 0.75f, 0.875f}));
        EXPECT_EQ(RunThrough(gain.Get(), std::vector<float>{0.25f, 0.25f, 0.25f, 0.25f}),
                  (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}));
    }
    {
        ComPtr<GainMFT> gain = GainWithTypes(8192, PcmType().Get());
        EXPECT_EQ(RunThrough(gain.Get(), std::vector<std::int16_t>{16384, 16384, 16384, 16384}),
                  (std::vector<std::int16_t>{16384, 20479, 24575, 28671}));
        EXPECT_EQ(RunThrough(gain.Get(), std::vector<std::int16_t>{16384, -32768, 100}),
                  (std::vector<std::int16_t>{32767, -32767, 200}));
    }
}

TEST(GainMft, UnityPassesSamplesUntouched) {
    // Scaling 32767 by 1.0 through the arithmetic would give 32766: equal output shows the
    // buffer was left alone.
    ComPtr<GainMFT> gain = GainWithTypes(4096, PcmType().Get());
    const std::vector<std::int16_t> extremes{32767, -32768, 32767, 1};
    EXPECT_EQ(RunThrough(gain.Get(), extremes), extremes);
    ComPtr<GainMFT> floats = GainWithTypes(4096, FloatType().Get());
    const std::vector<float> beyond{1.5f, -3.0f};
    EXPECT_EQ(RunThrough(floats.Get(), beyond), beyond);
}

TEST(GainMft, NewTargetRampsFromTheLastGain) {
    ComPtr<GainMFT> gain = GainWithTypes(8192, FloatType().Get());
    RunThrough(gain.Get(), std::vector<float>{0.1f, 0.1f});
    gain->SetTargetGain(4096);
    EXPECT_EQ(gain->TargetGain(), 4096u);
    EXPECT_EQ(RunThrough(gain.Get(), std::vector<float>{0.25f, 0.25f, 0.25f, 0.25f}),
              (std::vector<float>{0.5f, 0.4375f, 0.375f, 0.3125f}));
    EXPECT_EQ(RunThrough(gain.Get(), std::vector<float>{1.5f}), std::vector<float>{1.5f}) << "unity again";
}

TEST(GainMft, FlushReleasesThePendingSampleAndSkipsTheRamp) {
    ComPtr<GainMFT> gain = GainWithTypes(4096, FloatType().Get());
    ComPtr<IMFSample> sample = MakeSample(std::vector<float>{0.25f});
    const LONG before = RefCount(sample.Get());
    ASSERT_EQ(gain->ProcessInput(0, sample.Get(), 0), S_OK);
    EXPECT_EQ(RefCount(sample.Get()), before + 1);
    gain->SetTargetGain(8192);
    EXPECT_EQ(gain->ProcessMessage(MFT_MESSAGE_COMMAND_FLUSH, 0), S_OK);
    EXPECT_EQ(RefCount(sample.Get()), before);
    DWORD flags = 0;
    EXPECT_EQ(gain->GetOutputStatus(&flags), S_OK);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(RunThrough(gain.Get(), std::vector<float>{0.25f, 0.25f, 0.25f, 0.25f}),
              (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}));
    for (const MFT_MESSAGE_TYPE other :
         {MFT_MESSAGE_NOTIFY_BEGIN_STREAMING, MFT_MESSAGE_COMMAND_DRAIN, MFT_MESSAGE_NOTIFY_END_OF_STREAM})
        EXPECT_EQ(gain->ProcessMessage(other, 0), S_OK);
}

TEST(GainMft, AnswersOnlyItsOwnInterfaces) {
    ComPtr<GainMFT> gain = NewGain(4096);
    for (const IID& iid : {IID_IUnknown, __uuidof(IMFTransform)}) {
        void* object = nullptr;
        EXPECT_EQ(gain->QueryInterface(iid, &object), S_OK);
        EXPECT_EQ(object, static_cast<IMFTransform*>(gain.Get()));
        if (object)
            static_cast<IUnknown*>(object)->Release();
    }
    for (const IID& iid :
         {__uuidof(IMFAttributes), __uuidof(IMFGetService), __uuidof(IMFMediaEventGenerator)}) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(gain->QueryInterface(iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(gain->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(RefCount(gain.Get()), 1);
}

TEST(GainMft, StreamsAndUnimplementedMethods) {
    ComPtr<GainMFT> gain = NewGain(4096);
    DWORD a = 0, b = 0, c = 0, d = 0;
    ASSERT_EQ(gain->GetStreamLimits(&a, &b, &c, &d), S_OK);
    EXPECT_EQ(a + b + c + d, 4u);
    ASSERT_EQ(gain->GetStreamCount(&a, &b), S_OK);
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 1u);
    EXPECT_EQ(gain->GetStreamCount(nullptr, &b), E_POINTER);
    MFT_INPUT_STREAM_INFO in = {1, 1, 1, 1, 1};
    ASSERT_EQ(gain->GetInputStreamInfo(0, &in), S_OK);
    EXPECT_EQ(in.dwFlags,
              static_cast<DWORD>(MFT_INPUT_STREAM_WHOLE_SAMPLES | MFT_INPUT_STREAM_SINGLE_SAMPLE_PER_BUFFER));
    EXPECT_EQ(in.cbSize + in.cbAlignment + in.cbMaxLookahead + in.hnsMaxLatency, 0);
    MFT_OUTPUT_STREAM_INFO out = {0, 1, 1};
    ASSERT_EQ(gain->GetOutputStreamInfo(0, &out), S_OK);
    EXPECT_EQ(out.dwFlags, static_cast<DWORD>(MFT_OUTPUT_STREAM_WHOLE_SAMPLES |
                                              MFT_OUTPUT_STREAM_SINGLE_SAMPLE_PER_BUFFER |
                                              MFT_OUTPUT_STREAM_PROVIDES_SAMPLES));
    EXPECT_EQ(out.cbSize + out.cbAlignment, 0u);
    ComPtr<IMFMediaType> type;
    EXPECT_EQ(gain->GetInputStreamInfo(1, &in), MF_E_INVALIDSTREAMNUMBER);
    EXPECT_EQ(gain->GetOutputStreamInfo(1, &out), MF_E_INVALIDSTREAMNUMBER);
    EXPECT_EQ(gain->SetInputType(1, PcmType().Get(), 0), MF_E_INVALIDSTREAMNUMBER);
    EXPECT_EQ(gain->SetOutputType(1, PcmType().Get(), 0), MF_E_INVALIDSTREAMNUMBER);
    EXPECT_EQ(gain->GetInputAvailableType(1, 0, &type), MF_E_INVALIDSTREAMNUMBER);
    EXPECT_EQ(gain->GetOutputCurrentType(1, &type), MF_E_INVALIDSTREAMNUMBER);
    EXPECT_EQ(gain->GetInputStatus(1, &a), MF_E_INVALIDSTREAMNUMBER);
    EXPECT_EQ(gain->ProcessInput(1, MakeSample(std::vector<float>{0}).Get(), 0), MF_E_INVALIDSTREAMNUMBER);
    ComPtr<IMFAttributes> attributes;
    EXPECT_EQ(gain->GetAttributes(&attributes), E_NOTIMPL);
    EXPECT_EQ(gain->GetInputStreamAttributes(0, &attributes), E_NOTIMPL);
    EXPECT_EQ(gain->GetOutputStreamAttributes(0, &attributes), E_NOTIMPL);
    EXPECT_EQ(gain->GetStreamIDs(1, &a, 1, &b), E_NOTIMPL);
    EXPECT_EQ(gain->DeleteInputStream(0), E_NOTIMPL);
    EXPECT_EQ(gain->AddInputStreams(1, &a), E_NOTIMPL);
    EXPECT_EQ(gain->SetOutputBounds(0, 0), E_NOTIMPL);
    EXPECT_EQ(gain->ProcessEvent(0, nullptr), E_NOTIMPL);
}

// Playback through the engine's controls.
class GainPlaybackTest : public PlaybackTest {
  protected:
    void OpenReady(const wchar_t* clip) {
        playlist = {MediaPath(clip)};
        OpenItem(0);
        // A Matroska file is examined first while the previous media's engine lives on.
        ASSERT_TRUE(
            WaitUntil([] { return !engine.examining && sessionEngine && sessionEngine->ready; }, 20000))
            << Utf16ToUtf8Test(engine.statusText);
    }

    // True once the media played on to its end without an error.
    static bool PlayToEndFromHere() {
        return WaitUntil([] { return engine.paused || !engine.statusText.empty(); }, 10000) &&
               engine.paused && engine.statusText.empty();
    }
};

// How far the clock moved beyond what real time alone could have carried it.
struct ClockMark {
    double clock = SessionClockSeconds();
    ULONGLONG tick = GetTickCount64();
    double LeapSince(const ClockMark& earlier) const {
        return (clock - earlier.clock) - static_cast<double>(tick - earlier.tick) / 1000.0;
    }
};

TEST_F(GainPlaybackTest, SeekWhilePlayingMovesTheClockAndKeepsPlaying) {
    OpenReady(L"h264_aac.mp4");
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() >= 0.5; }, 10000));
    const ClockMark before;
    SeekTo(1.5);
    EXPECT_EQ(engine.seekTargetSec, 1.5);
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() >= 1.4; }, 5000));
    const ClockMark after;
    EXPECT_GT(after.LeapSince(before), 0.4) << "from " << before.clock << " to " << after.clock;
    EXPECT_FALSE(engine.paused);
    EXPECT_TRUE(PlayToEndFromHere()) << "playback resumes and reaches the end";
}

TEST_F(GainPlaybackTest, SeekBackWhilePlaying) {
    OpenReady(L"h264_aac.mp4");
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() >= 1.2; }, 10000));
    SeekTo(0.2);
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() < 1.0 && SessionClockSeconds() >= 0.2; }, 3000))
        << SessionClockSeconds();
    EXPECT_FALSE(engine.paused) << "the media has not ended";
    double pos = 0, dur = 0;
    GetTimes(pos, dur);
    EXPECT_NEAR(dur, 2.0, 0.3);
    EXPECT_LT(pos, 1.0) << "a backward seek ends the hold at once";
    EXPECT_EQ(engine.seekTargetSec, -1);
    EXPECT_TRUE(PlayToEndFromHere()) << "playback goes on to the end";
}

TEST_F(GainPlaybackTest, SeekWhilePausedMovesTheClockAndStaysPaused) {
    OpenReady(L"h264_aac.mp4");
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() >= 0.5; }, 10000));
    PlayPause();
    ASSERT_TRUE(engine.paused);
    PumpMessagesFor(300);
    SeekTo(1.5);
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() >= 1.4; }, 5000)) << SessionClockSeconds();
    PumpMessagesFor(300);
    const double held = SessionClockSeconds();
    PumpMessagesFor(600);
    EXPECT_NEAR(SessionClockSeconds(), held, 0.02) << "still paused";
    EXPECT_NEAR(held, 1.5, 0.25);
    EXPECT_TRUE(engine.paused);
    PlayPause();
    EXPECT_FALSE(engine.paused);
    EXPECT_TRUE(PlayToEndFromHere()) << "resumes from the new position and reaches the end";
}

TEST_F(GainPlaybackTest, SeekBeforeReadyStartsThere) {
    playlist = {MediaPath(L"h264_aac.mp4")};
    const ClockMark opened{0.0};
    OpenItem(0);
    ASSERT_TRUE(sessionEngine && !sessionEngine->ready);
    SeekTo(0.5);
    SeekTo(1.6); // the later wish wins
    EXPECT_EQ(engine.pendingStartSec, 1.6);
    double pos = 0, dur = 0;
    GetTimes(pos, dur);
    EXPECT_EQ(pos, 1.6) << "the target is shown while the clock is far below it";
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() >= 1.55; }, 20000));
    EXPECT_GT(ClockMark().LeapSince(opened), 1.0) << "started at the target, not at 0";
    EXPECT_TRUE(PlayToEndFromHere());
}

TEST_F(GainPlaybackTest, NegativeSeekIsIgnored) {
    OpenReady(L"h264_aac.mp4");
    SeekTo(-1);
    EXPECT_EQ(engine.seekTargetSec, -1);
    EXPECT_EQ(engine.pendingStartSec, -1);
}

TEST_F(GainPlaybackTest, VolumeSplitsBetweenSessionAndGain) {
    engine.volume = 2.5f;
    OpenReady(L"h264_aac.mp4");
    ASSERT_TRUE(sessionEngine->gainMft) << "the audio branch runs through the gain transform";
    ComPtr<IMFMediaType> negotiated;
    EXPECT_EQ(sessionEngine->gainMft->GetInputCurrentType(0, &negotiated), S_OK);
    EXPECT_EQ(LiveTargetGain(), 10240) << "the ready handling applies the volume";
    EXPECT_DOUBLE_EQ(LastSessionVolume(), 1.0);
    EXPECT_FLOAT_EQ(sessionEngine->gain, 2.5f);
    const struct {
        float volume;
        bool muted;
        double session;
        long gain;
    } cases[] = {{0.5f, false, 0.5, 4096},
                 {2.5f, true, 0.0, 0},
                 {0.0f, false, 0.0, 0},
                 {4.0f, false, 1.0, 16384},
                 {2.5f, false, 1.0, 10240}};
    for (const auto& c : cases) {
        engine.volume = c.volume;
        engine.muted = c.muted;
        ApplyVolume();
        EXPECT_DOUBLE_EQ(LastSessionVolume(), c.session) << c.volume << (c.muted ? " muted" : "");
        EXPECT_EQ(LiveTargetGain(), c.gain) << c.volume << (c.muted ? " muted" : "");
    }
    EXPECT_TRUE(PlayToEndFromHere()) << "boosted audio plays to the end";
}

// Whether the file's first audio stream can be delivered as 32-bit float by its source.
bool SourceOffersFloat(const std::u16string& path) {
    ComPtr<IMFSourceResolver> resolver;
    MF_OBJECT_TYPE kind = MF_OBJECT_INVALID;
    ComPtr<IUnknown> object;
    ComPtr<IMFMediaSource> source;
    ComPtr<IMFPresentationDescriptor> pd;
    if (FAILED(MFCreateSourceResolver(&resolver)) ||
        FAILED(
            resolver->CreateObjectFromURL(Wide(path), MF_RESOLUTION_MEDIASOURCE, nullptr, &kind, &object)) ||
        FAILED(object.As(&source)) || FAILED(source->CreatePresentationDescriptor(&pd)))
        return false;
    bool offers = false;
    DWORD streams = 0, types = 0;
    pd->GetStreamDescriptorCount(&streams);
    for (DWORD i = 0; i < streams && !offers; ++i) {
        BOOL selected = FALSE;
        ComPtr<IMFStreamDescriptor> sd;
        ComPtr<IMFMediaTypeHandler> handler;
        GUID major = GUID_NULL;
        if (FAILED(pd->GetStreamDescriptorByIndex(i, &selected, &sd)) ||
            FAILED(sd->GetMediaTypeHandler(&handler)) || FAILED(handler->GetMajorType(&major)) ||
            major != MFMediaType_Audio || FAILED(handler->GetMediaTypeCount(&types)))
            continue;
        for (DWORD t = 0; t < types && !offers; ++t) {
            ComPtr<IMFMediaType> type;
            offers = SUCCEEDED(handler->GetMediaTypeByIndex(t, &type)) &&
                     CheckAudioType(type.Get()) == kSampleKindFloat32;
        }
    }
    source->Shutdown();
    return offers;
}

// Wine's sources offer float besides 16-bit PCM for WAV and Opus; taking it keeps a conversion
// from being needed after the transform.
TEST_F(GainPlaybackTest, AudioRunsThroughTheGainTransformAsFloatWhenOffered) {
    for (const wchar_t* clip : {L"h264_aac.mp4", L"vp9_opus.webm", L"tone48k.wav"}) {
        const bool offersFloat = SourceOffersFloat(MediaPath(clip));
        OpenReady(clip);
        ASSERT_TRUE(sessionEngine->gainMft) << Utf8FromWide(clip);
        ComPtr<IMFMediaType> input;
        ASSERT_EQ(sessionEngine->gainMft->GetInputCurrentType(0, &input), S_OK) << Utf8FromWide(clip);
        const std::int32_t kind = CheckAudioType(input.Get());
        EXPECT_EQ(kind, offersFloat ? kSampleKindFloat32 : kSampleKindPcm16) << Utf8FromWide(clip);
        EXPECT_TRUE(PlayToEndFromHere()) << Utf8FromWide(clip);
    }
}

TEST_F(GainPlaybackTest, RateReachesTheSession) {
    engine.speed = 2.0f;
    OpenReady(L"h264_aac.mp4");
    ComPtr<IMFRateControl> rate;
    ASSERT_EQ(MFGetService(sessionEngine->session.Get(), MF_RATE_CONTROL_SERVICE, IID_PPV_ARGS(&rate)), S_OK);
    BOOL thin = TRUE;
    float value = 0;
    EXPECT_TRUE(WaitUntil([&] { return SUCCEEDED(rate->GetRate(&thin, &value)) && value == 2.0f; }, 3000))
        << value;
    EXPECT_FALSE(thin);
}

} // namespace
