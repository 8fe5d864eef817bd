// Whole-program tests: the real "Jaskel Player.exe" started as a separate process.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/wine/test_support_win.h"

namespace {

constexpr DWORD kStartTimeoutMs = 20000;

// The test process plays a running first instance: it holds the singleton mutex and, when asked,
// owns a window of the player's class that records what arrives by WM_COPYDATA.
class FakeFirstInstance {
  public:
    struct Received {
        ULONG_PTR dwData = 0;
        DWORD cbData = 0;
        std::string bytes;
    };

    FakeFirstInstance() { mutex_ = CreateMutexW(nullptr, TRUE, L"Jaskel.MFPlayer.Singleton"); }

    ~FakeFirstInstance() {
        if (window_)
            DestroyWindow(window_);
        UnregisterClassW(L"JaskelMFPlayer", GetModuleHandleW(nullptr));
        if (mutex_) {
            ReleaseMutex(mutex_);
            CloseHandle(mutex_);
        }
        received_.clear();
    }

    void CreateWindowNow(bool minimised = false) {
        WNDCLASSEXW wc{sizeof wc};
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"JaskelMFPlayer";
        RegisterClassExW(&wc);
        window_ = CreateWindowExW(0, L"JaskelMFPlayer", L"first instance", WS_OVERLAPPEDWINDOW, 50, 50, 300, 200,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(window_, minimised ? SW_SHOWMINNOACTIVE : SW_SHOW);
    }

    HWND Window() const { return window_; }
    const std::vector<Received>& ReceivedMessages() const { return received_; }

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA) {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            Received r;
            r.dwData = data->dwData;
            r.cbData = data->cbData;
            r.bytes.assign(static_cast<const char*>(data->lpData), data->cbData);
            received_.push_back(r);
            return TRUE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HANDLE mutex_ = nullptr;
    HWND window_ = nullptr;
    static inline std::vector<Received> received_;
};

std::vector<std::pair<std::wstring, std::wstring>> DiagEnvironment(const TempFolder& diag) {
    return {{L"JK_DIAG_DIR", diag.Path()}};
}

bool HasPainted(const TempFolder& diag) {
    const auto state = ReadStateJson(diag);
    return state && state->Number("paintCount").value_or(0) > 0;
}

std::string Utf16Bytes(std::u16string_view units) {
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}


TEST(PlayerProcess, MainWindowAppearsPaintsAndClosesWithZero) {
    TempFolder diag;
    ChildProcess player;
    ASSERT_TRUE(player.Start(PlayerPath(), {}, DiagEnvironment(diag)));
    ASSERT_TRUE(WaitUntil([&] { return HasPainted(diag); }, kStartTimeoutMs)) << "no paint reported";

    HWND main = FindProcessWindow(player.Id(), L"JaskelMFPlayer");
    ASSERT_NE(main, nullptr);
    wchar_t title[64] = L"";
    GetWindowTextW(main, title, ARRAYSIZE(title));
    EXPECT_STREQ(title, L"Jaskel Player");
    RECT frame;
    GetWindowRect(main, &frame);
    EXPECT_EQ(frame.right - frame.left, 1000);
    EXPECT_EQ(frame.bottom - frame.top, 660);

    const auto state = ReadStateJson(diag);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->String("engineKind"), "session");
    EXPECT_EQ(state->Bool("probeMode"), false);
    EXPECT_EQ(state->Bool("windows.video.visible"), true);
    EXPECT_EQ(state->Bool("windows.music.visible"), false);
    EXPECT_EQ(state->Bool("windows.panel.visible"), false);
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(state->Number("windows.video.y"), 36);
    EXPECT_EQ(state->Number("windows.video.width"), client.right);
    EXPECT_EQ(state->Number("windows.video.height"), client.bottom - 36 - 66);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(player.WaitForExit(kStartTimeoutMs), 0u);
}

TEST(PlayerProcess, PictureShowsBlackVideoAreaBetweenTheBars) {
    TempFolder diag;
    ChildProcess player;
    ASSERT_TRUE(player.Start(PlayerPath(), {}, DiagEnvironment(diag)));
    ASSERT_TRUE(WaitUntil([&] { return HasPainted(diag); }, kStartTimeoutMs));
    HWND main = FindProcessWindow(player.Id(), L"JaskelMFPlayer");
    ASSERT_NE(main, nullptr);
    SetForegroundWindow(main);
    PumpMessagesFor(700); // a few ticks: every window has painted

    const auto state = ReadStateJson(diag);
    ASSERT_TRUE(state);
    const int top = static_cast<int>(state->Number("windows.video.y").value_or(-1));
    const int width = static_cast<int>(state->Number("windows.video.width").value_or(-1));
    const int height = static_cast<int>(state->Number("windows.video.height").value_or(-1));
    ASSERT_GT(width, 100);
    ASSERT_GT(height, 100);

    ClientPicture picture(main);
    const COLORREF bar = RGB(13, 14, 20);
    const COLORREF black = RGB(0, 0, 0);
    const POINT insidePicture[] = {{width / 2, top + height / 2}, {2, top + 2}, {width - 3, top + height - 3}};
    for (const POINT& p : insidePicture)
        EXPECT_EQ(picture.At(p.x, p.y), black) << p.x << "," << p.y;
    EXPECT_EQ(picture.At(width / 2, top / 2), bar) << "title band";
    EXPECT_EQ(picture.At(width / 2, top + height + 33), bar) << "control bar";

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(player.WaitForExit(kStartTimeoutMs), 0u);
}

TEST(PlayerProcess, SecondStartWithoutFilesActivatesTheFirstAndSendsNothing) {
    FakeFirstInstance first;
    first.CreateWindowNow(/*minimised=*/true);
    ASSERT_TRUE(IsIconic(first.Window()));
    ChildProcess second;
    ASSERT_TRUE(second.Start(PlayerPath(), {L"--lang", L"de", L"-x"}));
    EXPECT_EQ(second.WaitForExit(kStartTimeoutMs), 0u);
    EXPECT_TRUE(first.ReceivedMessages().empty());
    EXPECT_FALSE(IsIconic(first.Window())) << "the first window is restored";
}

TEST(PlayerProcess, SecondStartForwardsOnlyTheFilePaths) {
    FakeFirstInstance first;
    first.CreateWindowNow();
    ChildProcess second;
    ASSERT_TRUE(second.Start(PlayerPath(), {L"A", L"-x", L"--lang", L"de", L"B"}));
    EXPECT_EQ(second.WaitForExit(kStartTimeoutMs), 0u);
    ASSERT_EQ(first.ReceivedMessages().size(), 1u);
    const auto& got = first.ReceivedMessages().front();
    EXPECT_EQ(got.dwData, 1u);
    EXPECT_EQ(got.cbData, 8u);
    EXPECT_EQ(got.bytes, Utf16Bytes(std::u16string(u"A\nB\0", 4)));
}

TEST(PlayerProcess, NonAsciiPathsSurviveTheHandoff) {
    FakeFirstInstance first;
    first.CreateWindowNow();
    ChildProcess second;
    ASSERT_TRUE(second.Start(PlayerPath(), {L"C:\\\uC74C\uC545\\\u00E9t\u00E9 1.mp3"}));
    EXPECT_EQ(second.WaitForExit(kStartTimeoutMs), 0u);
    ASSERT_EQ(first.ReceivedMessages().size(), 1u);
    EXPECT_EQ(first.ReceivedMessages().front().bytes,
              Utf16Bytes(std::u16string(u"C:\\\uC74C\uC545\\\u00E9t\u00E9 1.mp3\0", 16)));
}

TEST(PlayerProcess, HeldMutexWaitsForTheWindowThenForwards) {
    FakeFirstInstance first; // mutex only: the first instance is "still starting"
    ChildProcess second;
    ASSERT_TRUE(second.Start(PlayerPath(), {L"C:\\x.mp4"}));
    PumpMessagesFor(2000);
    ASSERT_TRUE(second.Running()) << "the second start keeps looking for the window";
    first.CreateWindowNow();
    EXPECT_EQ(second.WaitForExit(kStartTimeoutMs), 0u);
    ASSERT_EQ(first.ReceivedMessages().size(), 1u);
    EXPECT_EQ(first.ReceivedMessages().front().bytes, Utf16Bytes(std::u16string(u"C:\\x.mp4\0", 9)));
}

TEST(PlayerProcess, HeldMutexWithoutWindowStartsAnIndependentPlayer) {
    FakeFirstInstance first; // never shows a window
    TempFolder diag;
    ChildProcess second;
    const ULONGLONG started = GetTickCount64();
    ASSERT_TRUE(second.Start(PlayerPath(), {L"C:\\x.mp4"}, DiagEnvironment(diag)));
    ASSERT_TRUE(WaitUntil([&] { return FindProcessWindow(second.Id(), L"JaskelMFPlayer") != nullptr; },
                          kStartTimeoutMs));
    EXPECT_GE(GetTickCount64() - started, 4000u) << "about 5 s of searching come first";
    ASSERT_TRUE(WaitUntil([&] { return HasPainted(diag); }, kStartTimeoutMs));
    PostMessageW(FindProcessWindow(second.Id(), L"JaskelMFPlayer"), WM_CLOSE, 0, 0);
    EXPECT_EQ(second.WaitForExit(kStartTimeoutMs), 0u);
    EXPECT_TRUE(first.ReceivedMessages().empty());
}

TEST(PlayerProcess, HandoffReachesTheRealFirstInstance) {
    TempFolder diag;
    ChildProcess first;
    ASSERT_TRUE(first.Start(PlayerPath(), {}, DiagEnvironment(diag)));
    ASSERT_TRUE(WaitUntil([&] { return HasPainted(diag); }, kStartTimeoutMs));
    ChildProcess second;
    ASSERT_TRUE(second.Start(PlayerPath(), {L"D:\\v\\one.mp4", L"--lang=fr", L"D:\\v\\two.mkv"}));
    EXPECT_EQ(second.WaitForExit(kStartTimeoutMs), 0u);
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto state = ReadStateJson(diag);
            return state && state->Number("handoffCount") == 1;
        },
        kStartTimeoutMs));
    const auto state = ReadStateJson(diag);
    const JsonValue* paths = state->Find("lastHandoff");
    ASSERT_NE(paths, nullptr);
    ASSERT_EQ(paths->items.size(), 2u);
    EXPECT_EQ(paths->items[0].text, "D:\\v\\one.mp4");
    EXPECT_EQ(paths->items[1].text, "D:\\v\\two.mkv");
    PostMessageW(FindProcessWindow(first.Id(), L"JaskelMFPlayer"), WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(kStartTimeoutMs), 0u);
}

std::wstring TestClip() {
    wchar_t folder[MAX_PATH * 2] = L"";
    if (!GetEnvironmentVariableW(L"JK_TEST_MEDIA", folder, ARRAYSIZE(folder)))
        ADD_FAILURE() << "JK_TEST_MEDIA is not set: run the tests through scripts/test.sh";
    return std::wstring(folder) + L"\\h264_aac.mp4";
}

std::vector<std::string> PlaylistOf(const JsonValue& state) {
    std::vector<std::string> items;
    if (const JsonValue* list = state.Find("playlist")) {
        for (const auto& item : list->items)
            items.push_back(item.text);
    }
    return items;
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                                   static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

TEST(PlayerProcess, OneFileListsItsFolderAndASecondStartAppends) {
    TempFolder media;
    for (const wchar_t* name : {L"1.mp4", L"10.mp4", L"2.mp4"})
        ASSERT_TRUE(CopyFileW(TestClip().c_str(), media.File(name).c_str(), FALSE));
    TempFolder diag;
    ChildProcess first;
    ASSERT_TRUE(first.Start(PlayerPath(), {media.File(L"2.mp4")}, DiagEnvironment(diag)));
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto state = ReadStateJson(diag);
            return state && state->Bool("sessionReady") == true;
        },
        kStartTimeoutMs));
    auto state = ReadStateJson(diag);
    EXPECT_EQ(PlaylistOf(*state), (std::vector<std::string>{Utf8(media.File(L"1.mp4")), Utf8(media.File(L"2.mp4")),
                                                            Utf8(media.File(L"10.mp4"))}));
    EXPECT_EQ(state->Number("currentIndex"), 1);
    EXPECT_EQ(state->String("path"), Utf8(media.File(L"2.mp4")));

    ChildProcess second;
    ASSERT_TRUE(second.Start(PlayerPath(), {L"E:\\x\\a.mp4", L"E:\\x\\b.mkv"}));
    EXPECT_EQ(second.WaitForExit(kStartTimeoutMs), 0u);
    ASSERT_TRUE(WaitUntil(
        [&] {
            state = ReadStateJson(diag);
            return state && state->Number("currentIndex") == 3;
        },
        kStartTimeoutMs));
    EXPECT_EQ(PlaylistOf(*state).size(), 5u);
    EXPECT_EQ(state->String("path"), "E:\\x\\a.mp4");
    PostMessageW(FindProcessWindow(first.Id(), L"JaskelMFPlayer"), WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(kStartTimeoutMs), 0u);
}

TEST(PlayerProcess, CuelessWebmOpensRepaired) {
    std::wstring clip = TestClip();
    clip.replace(clip.rfind(L"h264_aac.mp4"), 12, L"live_vp8_opus.webm");
    TempFolder diag;
    ChildProcess player;
    ASSERT_TRUE(player.Start(PlayerPath(), {clip}, DiagEnvironment(diag)));
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto state = ReadStateJson(diag);
            return state && state->Bool("sessionReady") == true;
        },
        kStartTimeoutMs));
    const auto state = ReadStateJson(diag);
    EXPECT_EQ(state->Bool("webm.needsRepair"), true);
    EXPECT_EQ(state->Bool("webm.repaired"), true);
    EXPECT_NEAR(state->Number("durationSec").value_or(0), 3.0, 0.2);
    PostMessageW(FindProcessWindow(player.Id(), L"JaskelMFPlayer"), WM_CLOSE, 0, 0);
    EXPECT_EQ(player.WaitForExit(kStartTimeoutMs), 0u);
}

class ProbeFile {
  public:
    ProbeFile() : path_(PlayerFolder() + L"\\.jk-probe") { DeleteFileW(path_.c_str()); }
    ~ProbeFile() { DeleteFileW(path_.c_str()); }
    std::optional<std::string> Content() const { return ReadWholeFile(path_); }

  private:
    std::wstring path_;
};

// A running first instance must not matter: probe mode takes no mutex and forwards nothing.
TEST(PlayerProcess, ProbeModeAnswersWithAnOffScreenToolWindow) {
    FakeFirstInstance first;
    first.CreateWindowNow();
    ProbeFile probe;
    TempFolder diag;
    ChildProcess player;
    ASSERT_TRUE(player.Start(PlayerPath(), {L"--jk-upd-probe", L"0.6.8"}, DiagEnvironment(diag)));
    EXPECT_EQ(player.WaitForExit(kStartTimeoutMs), 0u);
    EXPECT_EQ(probe.Content(), "ok 0.6.8\n");
    EXPECT_TRUE(first.ReceivedMessages().empty());
    const auto state = ReadStateJson(diag);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->Bool("probeMode"), true);
    EXPECT_EQ(state->String("windows.main.class"), "JaskelMFPlayerProbe");
    EXPECT_EQ(state->Bool("windows.main.toolWindow"), true);
    EXPECT_LE(state->Number("windows.main.x").value_or(0), -30000);
    EXPECT_GT(state->Number("paintCount").value_or(0), 0);
}

TEST(PlayerProcess, ProbeOfAnotherVersionWritesNothing) {
    ProbeFile probe;
    ChildProcess player;
    ASSERT_TRUE(player.Start(PlayerPath(), {L"--JK-UPD-PROBE", L"0.6.9"}));
    EXPECT_EQ(player.WaitForExit(kStartTimeoutMs), 0u);
    EXPECT_EQ(probe.Content(), std::nullopt);
}

} // namespace
