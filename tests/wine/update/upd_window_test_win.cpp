// The progress window, the fallback dialog and the polite wait, on the real window classes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <regex>

#include "tests/wine/update/upd_fixture_win.h"
#include "update/progress_win.h"
#include "update/upd_messages_win.h"
#include "update/upd_system_win.h"

namespace {

HWND ProgressWindow() {
    return FindOwnWindow(L"JKUpdProgress");
}

HWND ChildOfClass(HWND parent, const wchar_t* className) {
    return FindWindowExW(parent, nullptr, className, nullptr);
}

std::wstring StatusText() {
    return TextOf(ChildOfClass(ProgressWindow(), L"Static"));
}

void Pump(ULONGLONG ms) {
    PumpMessagesFor(ms);
}

// Shows the window for one test and closes it afterwards.
class ProgressShown {
  public:
    explicit ProgressShown(bool required) {
        UpdCancelFlag = false;
        ShowUpdProgress(u"Jaskel Player", required);
    }
    ~ProgressShown() {
        CloseUpdProgress();
        UpdCancelFlag = false;
    }
};

TEST(UpdWindow, ProgressWindowShowsTheCheckAndAnOptionalCancel) {
    ProgressShown shown(false);
    const HWND window = ProgressWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(UpdProgressWindow(), window);
    EXPECT_EQ(TextOf(window), L"Jaskel Player — Update");
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(StatusText(), L"Checking for a new version…");
    const HWND cancel = GetDlgItem(window, kUpdCancelId);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(TextOf(cancel), L"Cancel");
    EXPECT_TRUE(IsWindowVisible(cancel));
    const HWND bar = ChildOfClass(window, PROGRESS_CLASSW);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 1000);
    RECT client;
    GetClientRect(window, &client);
    RECT button;
    GetWindowRect(cancel, &button);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&button), 2);
    const int dpi = static_cast<int>(GetDpiForSystem());
    EXPECT_EQ(button.right, client.right - MulDiv(16, dpi, 96));
    EXPECT_EQ(button.bottom - button.top, MulDiv(28, dpi, 96));
    UpdateWindow(window);
    // The diagnostics' record of drawn texts (run_update_tests.sh sets JK_DIAG_DIR) has them all.
    const std::string texts =
        ReadFileBytes(RequiredEnvironment(L"JK_DIAG_DIR") + L"\\texts.log").value_or("");
    for (const char* line : {"JKUpdProgress\tJaskel Player \xe2\x80\x94 Update\n", "BUTTON\tCancel\n",
                             "JKUpdProgress\tChecking for a new version\xe2\x80\xa6\n"})
        EXPECT_NE(texts.find(line), std::string::npos) << line;
}

TEST(UpdWindow, ProgressMessagesMoveTheBarAndEstimateOnlyAfterHalfASecond) {
    ProgressShown shown(false);
    const HWND window = ProgressWindow();
    ASSERT_NE(window, nullptr);
    const HWND bar = ChildOfClass(window, PROGRESS_CLASSW);
    PostMessageW(window, WM_UPD_PROGRESS, 5120, 10240);
    Pump(30);
    EXPECT_EQ(StatusText(), L"Downloading the new version — 5.0 MB");
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 500);
    Pump(600);
    PostMessageW(window, WM_UPD_PROGRESS, 7680, 10240);
    Pump(30);
    const std::wstring text = StatusText();
    std::wsmatch match;
    ASSERT_TRUE(std::regex_match(
        text, match, std::wregex(L"Downloading the new version — 7\\.5 / 10\\.0 MB · about (\\d+) s left")))
        << std::string(text.begin(), text.end());
    EXPECT_GE(std::stoi(match[1].str()), 1);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 750);
    PostMessageW(window, WM_UPD_PROGRESS, 300, 0); // size unknown: the bar stays
    Pump(30);
    EXPECT_EQ(StatusText(), L"Downloading the new version — 0.3 MB");
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 750);
}

TEST(UpdWindow, CloseBoxCancelsOnceAndOnlyWhenTheUpdateMayBeRefused) {
    {
        ProgressShown shown(false);
        const HWND window = ProgressWindow();
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(UpdCancelFlag.load());
        EXPECT_TRUE(IsWindow(window));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, kUpdCancelId)));
        EXPECT_EQ(StatusText(), L"Stopping the update…");
        UpdCancelFlag = false; // a second close must not set it again
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(UpdCancelFlag.load());
    }
    {
        ProgressShown shown(true);
        const HWND window = ProgressWindow();
        EXPECT_EQ(GetDlgItem(window, kUpdCancelId), nullptr);
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(UpdCancelFlag.load());
        EXPECT_TRUE(IsWindow(window));
    }
    {
        // Cancel is hidden when the permission prompt is announced: nothing is left to cancel.
        ProgressShown shown(false);
        HideUpdCancel();
        SendMessageW(ProgressWindow(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(UpdCancelFlag.load());
    }
    {
        ProgressShown shown(false);
        const HWND window = ProgressWindow();
        SetUpdProgressInstalling();
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(UpdCancelFlag.load());
        EXPECT_TRUE(GetWindowLongPtrW(ChildOfClass(window, PROGRESS_CLASSW), GWL_STYLE) & PBS_MARQUEE);
    }
}

TEST(UpdWindow, CancelButtonSetsTheFlagAndHideRemovesIt) {
    ProgressShown shown(false);
    const HWND window = ProgressWindow();
    const HWND cancel = GetDlgItem(window, kUpdCancelId);
    SendMessageW(cancel, BM_CLICK, 0, 0);
    Pump(30);
    EXPECT_TRUE(UpdCancelFlag.load());
    EXPECT_EQ(StatusText(), L"Stopping the update…");
    HideUpdCancel();
    EXPECT_FALSE(IsWindowVisible(cancel));
    CloseUpdProgress();
    EXPECT_EQ(ProgressWindow(), nullptr);
    EXPECT_EQ(UpdProgressWindow(), nullptr);
    CloseUpdProgress(); // harmless without a window
}

struct WebsiteCalls {
    static inline std::vector<std::wstring> opened;
    static HINSTANCE WINAPI Record(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT show) {
        opened.push_back(std::wstring(verb) + L" " + file + L" " + std::to_wstring(show));
        return reinterpret_cast<HINSTANCE>(42);
    }
};

TEST(UpdWindow, FallbackOffersTheWebsiteAndOpensItOnlyOnYes) {
    const auto original = UpdSystem().shellExecute;
    UpdSystem().shellExecute = WebsiteCalls::Record;
    for (const int answer : {IDNO, IDYES}) {
        WebsiteCalls::opened.clear();
        HANDLE thread = CreateThread(
            nullptr, 0,
            [](LPVOID) -> DWORD {
                ShowUpdProgress(u"Jaskel Player", false); // the dialog closes it first
                ShowUpdFallback(u"Jaskel Player", u"Could not start the installer.");
                return 0;
            },
            nullptr, 0, nullptr);
        BoxAnswerer boxes(answer);
        EXPECT_TRUE(
            PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000, &boxes));
        CloseHandle(thread);
        EXPECT_EQ(UpdProgressWindow(), nullptr);
        EXPECT_EQ(ProgressWindow(), nullptr);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text,
                  L"Could not start the installer.\n\nPlease download and install the new "
                  L"version from our website. Open the website now?");
        const std::string texts =
            ReadFileBytes(RequiredEnvironment(L"JK_DIAG_DIR") + L"\\texts.log").value_or("");
        EXPECT_NE(texts.find("#32770\tCould not start the installer.\\n\\nPlease download"),
                  std::string::npos);
        const std::vector<std::wstring> expected =
            answer == IDYES ? std::vector<std::wstring>{L"open https://jaskel.net/ 1"}
                            : std::vector<std::wstring>{};
        EXPECT_EQ(WebsiteCalls::opened, expected);
    }
    UpdSystem().shellExecute = original;
}

TEST(UpdWindow, WaitPlayerIdleWaitsWhileBusyAndHidesTheWindowMeanwhile) {
    UpdTemp temp;
    FakeMainWindow main({1, 1, 1, 0});
    ProgressShown shown(false);
    const HWND window = ProgressWindow();
    struct Wait {
        HWND main;
        HWND hide;
        bool hiddenSeen = false;
    } wait{main.Handle(), window};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* w = static_cast<Wait*>(p);
            WaitPlayerIdle(w->main, w->hide, 200);
            return 0;
        },
        &wait, 0, nullptr);
    EXPECT_TRUE(PumpUntil(
        [&] {
            wait.hiddenSeen |= !IsWindowVisible(window);
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        },
        20000));
    CloseHandle(thread);
    EXPECT_EQ(main.Questions(), 4);
    EXPECT_TRUE(wait.hiddenSeen);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(temp.LogWords(), std::vector<std::string>{"wait-idle"});
}

TEST(UpdWindow, WaitPlayerIdleAsksOnceOfAnIdleOrMissingWindow) {
    UpdTemp temp;
    FakeMainWindow main;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            WaitPlayerIdle(static_cast<HWND>(p), nullptr, 200);
            WaitPlayerIdle(nullptr, nullptr, 200);
            return 0;
        },
        main.Handle(), 0, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000));
    CloseHandle(thread);
    EXPECT_EQ(main.Questions(), 1);
    EXPECT_TRUE(temp.LogWords().empty());
}

} // namespace
