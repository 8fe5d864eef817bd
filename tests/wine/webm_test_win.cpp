// WebM files without Cues or Duration: the scan thread, the repaired byte stream and playback
// through it.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine/webm/fixed_webm_stream_win.h"
#include "engine/webm/repair_header.h"
#include "engine/webm/scan_thread_win.h"
#include "engine/webm/win_file_source_win.h"
#include "i18n/i18n_win.h"
#include "tests/wine/playback_fixture_win.h"

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MediaFoundationEnvironment);

TEST_F(PlaybackTest, CuelessWebmPlaysThroughTheRepairedStream) {
    playlist = {MediaPath(L"live_vp8_opus.webm")};
    OpenItem(0);
    EXPECT_TRUE(engine.examining);
    EXPECT_EQ(engine.statusText, U16(I18nText(L"파일을 살펴보는 중…")));
    ASSERT_TRUE(WaitUntil([] { return sessionEngine && sessionEngine->ready; }, 20000)) << Utf16ToUtf8Test(engine.statusText);
    EXPECT_FALSE(engine.examining);
    EXPECT_TRUE(webmRecord.needsRepair);
    EXPECT_TRUE(webmRecord.openedRepaired);
    EXPECT_NEAR(engine.durationSec, 3.0, 0.2);
    ASSERT_TRUE(WaitUntil([] { return engine.paused || !engine.statusText.empty(); }, 20000));
    EXPECT_TRUE(engine.paused) << "played to the end";
    EXPECT_TRUE(engine.statusText.empty());
    EXPECT_GT(sessionEngine->frameSink->ConvertedFrames(), 20);
}

TEST_F(PlaybackTest, SupersededScanStopsEarlyAndPostsNothing) {
    const long posted = scanCounters.posted, discarded = scanCounters.discarded;
    engine.scanGeneration = 42; // a newer open than the scan's
    StartWebmScan(MediaPath(L"live_long.webm"), 41, ui.main);
    ASSERT_TRUE(WaitUntil([&] { return scanCounters.discarded > discarded; }, 20000));
    PumpMessagesFor(200);
    EXPECT_EQ(scanCounters.posted, posted);
    EXPECT_LT(scanCounters.lastDiscardedClusters, 8) << "stopped within 256 elements";
    EXPECT_EQ(scanCounters.liveRecords, 0);
}

TEST_F(PlaybackTest, ClosingWindowDuringAScanFreesTheRecord) {
    const long posted = scanCounters.posted, discarded = scanCounters.discarded;
    engine.scanGeneration = 7;
    shell.windowClosing = true;
    StartWebmScan(MediaPath(L"live_long.webm"), 7, ui.main);
    ASSERT_TRUE(WaitUntil([&] { return scanCounters.discarded > discarded; }, 20000));
    shell.windowClosing = false;
    EXPECT_EQ(scanCounters.posted, posted);
    EXPECT_GT(scanCounters.lastDiscardedClusters, 8) << "the scan ran to its end";
    EXPECT_EQ(scanCounters.liveRecords, 0);
}

// The stream, called the way Media Foundation calls it.
class RepairStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = MediaPath(L"live_as.mkv");
        ScanAndPrepare(path_, nullptr, 0, record_);
        ASSERT_TRUE(record_.head.has_value());
        const RepairHead& head = *record_.head;
        expected_ = head.bytes;
        const size_t headSize = expected_.size();
        HANDLE file = OpenForScan(Wide(path_));
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        WinFileSource source(file);
        expected_.resize(headSize + static_cast<size_t>(head.tailEnd - head.tailStart));
        ASSERT_TRUE(source.ReadAt(head.tailStart, expected_.data() + headSize, expected_.size() - headSize));
        headSize_ = headSize;
        CloseHandle(file);
        ASSERT_EQ(CreateFixedWebmStream(path_, record_, &stream_), S_OK);
        EXPECT_FALSE(record_.head.has_value()) << "the stream took the head";
    }
    void TearDown() override {
        if (stream_)
            stream_->Release();
    }
    std::vector<BYTE> ReadAt(QWORD position, ULONG count, HRESULT* hr = nullptr) {
        stream_->SetCurrentPosition(position);
        std::vector<BYTE> out(count);
        ULONG got = 0;
        const HRESULT result = stream_->Read(out.data(), count, &got);
        if (hr)
            *hr = result;
        out.resize(got);
        return out;
    }
    std::u16string path_;
    ScanRecord record_;
    std::vector<std::uint8_t> expected_;
    size_t headSize_ = 0;
    IMFByteStream* stream_ = nullptr;
};

TEST_F(RepairStreamTest, FacesCapabilitiesAndNames) {
    DWORD capabilities = 0;
    ASSERT_EQ(stream_->GetCapabilities(&capabilities), S_OK);
    EXPECT_EQ(capabilities, 0x805u);
    QWORD length = 0;
    stream_->GetLength(&length);
    EXPECT_EQ(length, expected_.size());
    IMFAttributes* attributes = nullptr;
    ASSERT_EQ(stream_->QueryInterface(IID_IMFAttributes, reinterpret_cast<void**>(&attributes)), S_OK);
    wchar_t text[MAX_PATH * 2] = L"";
    ASSERT_EQ(attributes->GetString(MF_BYTESTREAM_ORIGIN_NAME, text, ARRAYSIZE(text), nullptr), S_OK);
    EXPECT_EQ(U16(text), RepairOriginName(path_));
    EXPECT_EQ(U16(text).substr(U16(text).size() - 12), u"live_as.webm");
    ASSERT_EQ(attributes->GetString(MF_BYTESTREAM_CONTENT_TYPE, text, ARRAYSIZE(text), nullptr), S_OK);
    EXPECT_STREQ(text, L"video/webm");
    IUnknown* back = nullptr;
    ASSERT_EQ(attributes->QueryInterface(IID_IMFByteStream, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, static_cast<IUnknown*>(stream_));
    back->Release();
    attributes->Release();
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(stream_->QueryInterface(IID_IMFMediaSource, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(stream_->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(RepairStreamTest, ReadsPresentHeadThenTail) {
    const auto across = ReadAt(headSize_ - 5, 20);
    EXPECT_EQ(across, std::vector<BYTE>(expected_.begin() + headSize_ - 5, expected_.begin() + headSize_ + 15));
    EXPECT_EQ(ReadAt(0, 64), std::vector<BYTE>(expected_.begin(), expected_.begin() + 64));
    const auto end = ReadAt(expected_.size() - 3, 100);
    EXPECT_EQ(end.size(), 3u);
    EXPECT_TRUE(ReadAt(expected_.size() + 1000, 10).empty()) << "a position past the end is accepted";
    BOOL atEnd = FALSE;
    stream_->IsEndOfStream(&atEnd);
    EXPECT_TRUE(atEnd);
}

TEST_F(RepairStreamTest, SeekClampsAtZero) {
    QWORD position = 99;
    stream_->SetCurrentPosition(4);
    ASSERT_EQ(stream_->Seek(msoCurrent, -10, 0, &position), S_OK);
    EXPECT_EQ(position, 0u);
    stream_->Seek(msoBegin, 100, 0, &position);
    EXPECT_EQ(position, 100u);
}

TEST_F(RepairStreamTest, AfterCloseOnlyTheHeadReads) {
    ASSERT_EQ(stream_->Close(), S_OK);
    HRESULT hr = S_OK;
    EXPECT_EQ(ReadAt(0, 16, &hr).size(), 16u);
    EXPECT_EQ(hr, S_OK);
    ReadAt(headSize_ - 4, 16, &hr);
    EXPECT_EQ(hr, E_HANDLE);
    QWORD position = 0;
    stream_->GetCurrentPosition(&position);
    EXPECT_EQ(position, headSize_ - 4) << "a failed read does not move";
}

class ReadDone final : public IMFAsyncCallback {
  public:
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    IMFByteStream* stream = nullptr;
    ULONG bytes = 0;
    HRESULT status = E_PENDING;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown || riid == IID_IMFAsyncCallback) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetParameters(DWORD*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(IMFAsyncResult* result) override {
        status = stream->EndRead(result, &bytes);
        SetEvent(event);
        return S_OK;
    }
};

TEST_F(RepairStreamTest, AsynchronousReadOnTheWorkQueue) {
    ReadDone done;
    done.stream = stream_;
    std::vector<BYTE> buffer(4096);
    stream_->SetCurrentPosition(headSize_ - 100);
    ASSERT_EQ(stream_->BeginRead(buffer.data(), static_cast<ULONG>(buffer.size()), &done, nullptr), S_OK);
    ASSERT_EQ(WaitForSingleObject(done.event, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(done.status, S_OK);
    ASSERT_EQ(done.bytes, buffer.size());
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), expected_.begin() + headSize_ - 100));
    CloseHandle(done.event);
}

} // namespace
