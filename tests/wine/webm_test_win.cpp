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
    ASSERT_TRUE(WaitUntil([] { return sessionEngine && sessionEngine->ready; }, 20000))
        << Utf16ToUtf8Test(engine.statusText);
    EXPECT_FALSE(engine.examining);
    EXPECT_TRUE(webmRecord.needsRepair);
    EXPECT_TRUE(webmRecord.openedRepaired);
    EXPECT_NEAR(engine.durationSec, 3.0, 0.2);
    ASSERT_TRUE(WaitUntil([] { return engine.paused || !engine.statusText.empty(); }, 20000));
    EXPECT_TRUE(engine.paused) << "played to the end";
    EXPECT_TRUE(engine.statusText.empty());
    EXPECT_GT(sessionEngine->frameSink->ConvertedFrames(), 20);
}

// Every reference the engine takes over is given back: the frame sink belongs to its session
// alone (and keeps no picture once it is closed), and the repaired stream, with the file it
// holds open, goes with the session.
TEST_F(PlaybackTest, SessionObjectsAreFreedWithTheSession) {
    ASSERT_TRUE(CreateSession());
    EXPECT_EQ(sessionEngine->frameSink->AddRef(), 2u) << "the session's own reference only";
    sessionEngine->frameSink->Release();
    CloseSession();

    const std::u16string path = MediaPath(L"live_vp8_opus.webm");
    playlist = {path};
    OpenItem(0);
    ASSERT_TRUE(WaitUntil([] { return sessionEngine && sessionEngine->frameSink->ConvertedFrames() > 3; }, 20000));
    ASSERT_TRUE(webmRecord.openedRepaired);
    const Microsoft::WRL::ComPtr<SEGrab> sink = sessionEngine->frameSink;
    CloseSession();
    SEGrab::FrameSnapshot frame;
    EXPECT_FALSE(sink->GetFrameSnapshot(frame)) << "a closed session's sink keeps no picture";
    PumpMessagesFor(300);
    HANDLE alone = CreateFileW(Wide(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(alone, INVALID_HANDLE_VALUE) << "no handle of the repaired file is left open";
    if (alone != INVALID_HANDLE_VALUE)
        CloseHandle(alone);
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

// Holds a scan back instead of starting its thread, so that the test decides when its result
// arrives; the previous media's notices come in meanwhile.
struct HeldScan {
    std::u16string path;
    std::int64_t generation = 0;
    HWND window = nullptr;
};
HeldScan heldScan;

void HoldScan(const std::u16string& path, std::int64_t generation, HWND window) {
    heldScan = {path, generation, window};
}

class ExaminingTest : public PlaybackTest {
  protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        heldScan = {};
        scanStarter = HoldScan;
    }
    void TearDown() override {
        scanStarter = StartScanThread;
        PlaybackTest::TearDown();
    }
    void ExpectStillExamining(int index) {
        EXPECT_TRUE(engine.examining);
        EXPECT_EQ(engine.statusText, U16(I18nText(L"파일을 살펴보는 중…")));
        EXPECT_EQ(currentIndex, index) << "the list did not move on";
        EXPECT_EQ(engine.durationSec, -1) << "nothing of the previous media's duration";
    }
    // Lets the held scan run for real; its result opens the examined file.
    void ReleaseScan() { StartScanThread(heldScan.path, heldScan.generation, heldScan.window); }
};

TEST_F(ExaminingTest, PreviousMediasReadyNeitherStartsItNorEndsTheExamination) {
    playlist = {MediaPath(L"tone48k.wav"), MediaPath(L"live_vp8_opus.webm")};
    OpenItem(0); // its topology turns ready while the second file is examined
    OpenItem(1);
    ASSERT_FALSE(heldScan.path.empty());
    ASSERT_TRUE(WaitUntil([] { return sessionEngine && sessionEngine->ready; }, 10000))
        << "the ready notice came";
    PumpMessagesFor(800);
    ExpectStillExamining(1);
    EXPECT_LT(SessionClockSeconds(), 0.05) << "the previous media was not started again";
    ReleaseScan();
    ASSERT_TRUE(WaitUntil([] { return !engine.examining && SessionClockSeconds() > 0.2; }, 20000));
    EXPECT_TRUE(webmRecord.openedRepaired);
    EXPECT_NEAR(engine.durationSec, 3.0, 0.2) << "the examined file's own duration";
}

TEST_F(ExaminingTest, PreviousMediasEndDoesNotStepPastTheExaminedItem) {
    playlist = {MediaPath(L"tone48k.wav"), MediaPath(L"live_vp8_opus.webm"), MediaPath(L"music.m4a")};
    OpenItem(0);
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() > 0.3; }, 20000)) << "the tone plays";
    OpenItem(1);
    PumpMessagesFor(2500); // the two-second tone reaches its end meanwhile
    ExpectStillExamining(1);
    EXPECT_FALSE(engine.paused) << "the end of the list was not declared either";
    ReleaseScan();
    ASSERT_TRUE(WaitUntil([] { return !engine.examining && sessionEngine && sessionEngine->ready; }, 20000));
    EXPECT_EQ(currentIndex, 1);
    EXPECT_NEAR(engine.durationSec, 3.0, 0.2);
}

TEST_F(ExaminingTest, NullStaleAndUnlistedResultsAreFreedWithoutEffect) {
    playlist = {MediaPath(L"live_vp8_opus.webm")};
    OpenItem(0);
    const long liveBefore = scanCounters.liveRecords;
    SendMessageW(main_, WM_APP_SCAN_RESULT, static_cast<WPARAM>(engine.openGeneration), 0);
    ExpectStillExamining(0);
    const auto deliver = [&](std::int64_t generation) {
        auto* record = new ScanRecord();
        ++scanCounters.liveRecords; // as the scan thread counts it
        ScanAndPrepare(heldScan.path, nullptr, 0, *record);
        SendMessageW(main_, WM_APP_SCAN_RESULT, static_cast<WPARAM>(generation),
                     reinterpret_cast<LPARAM>(record));
    };
    deliver(engine.openGeneration - 1);
    ExpectStillExamining(0);
    EXPECT_EQ(sessionEngine, nullptr) << "a stale result opens nothing";
    ClearPlaylist();
    deliver(engine.openGeneration);
    EXPECT_TRUE(engine.examining) << "the item is no longer listed: nothing opens";
    EXPECT_EQ(sessionEngine, nullptr);
    EXPECT_EQ(scanCounters.liveRecords, liveBefore) << "every record was freed";
}

TEST_F(ExaminingTest, WithoutARepairedHeadTheFileOpensByItsPath) {
    playlist = {MediaPath(L"live_vp8_opus.webm")};
    OpenItem(0);
    auto* record = new ScanRecord();
    ++scanCounters.liveRecords;
    ScanAndPrepare(heldScan.path, nullptr, 0, *record);
    ASSERT_TRUE(NeedsRepair(record->scan));
    record->head.reset(); // as when the head could not be built
    SendMessageW(main_, WM_APP_SCAN_RESULT, static_cast<WPARAM>(heldScan.generation),
                 reinterpret_cast<LPARAM>(record));
    EXPECT_FALSE(engine.examining);
    EXPECT_TRUE(webmRecord.needsRepair);
    EXPECT_FALSE(webmRecord.openedRepaired);
    ASSERT_TRUE(WaitUntil([] { return SessionClockSeconds() > 0.3; }, 20000))
        << Utf16ToUtf8Test(engine.statusText);
    EXPECT_NEAR(engine.durationSec, 3.0, 0.3) << "the scan's estimate stands in for the missing Duration";
}

TEST_F(PlaybackTest, MfplayEndDuringAScanDoesNotStepPastTheExaminedItem) {
    int ends = 0;
    engineEvents.endOfMedia = [&] {
        ++ends;
        return false;
    };
    auto* callback = new PlayerCB();
    MFP_EVENT_HEADER ended{};
    ended.eEventType = MFP_EVENT_TYPE_PLAYBACK_ENDED;
    ended.hrEvent = S_OK;
    engine.examining = true;
    callback->OnMediaPlayerEvent(&ended);
    EXPECT_EQ(ends, 0);
    engine.examining = false;
    callback->OnMediaPlayerEvent(&ended);
    EXPECT_EQ(ends, 1) << "without a scan the end moves the list on";
    callback->Release();
}

// Files on fixed drives are mapped and parsed in place; on network shares the scan reads them
// in blocks, where a read error only fails the scan. Both ways give the same record.
TEST(ScanSources, FixedDrivesAreMappedAndBothWaysAgree) {
    const std::u16string local = MediaPath(L"live_vp8_opus.webm");
    EXPECT_TRUE(MapsForScan(local));
    EXPECT_FALSE(MapsForScan(u"\\\\server\\share\\live_vp8_opus.webm"));
    ScanRecord mapped;
    ScanAndPrepare(local, nullptr, 0, mapped);
    HANDLE file = OpenForScan(Wide(local));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    WinFileSource source(file);
    WebmScan inBlocks;
    ScanWebm(source, inBlocks, nullptr, 0);
    CloseHandle(file);
    EXPECT_TRUE(mapped.scan.scanOk);
    EXPECT_FALSE(mapped.scan.clusters.empty());
    EXPECT_EQ(mapped.scan, inBlocks);
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
    EXPECT_EQ(across,
              std::vector<BYTE>(expected_.begin() + headSize_ - 5, expected_.begin() + headSize_ + 15));
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
