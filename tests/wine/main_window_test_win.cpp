// The main window and its procedures inside the test process: real windows, real messages.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "engine/engine_state.h"
#include "playlist/playlist_state.h"
#include "tests/wine/main_window_fixture_win.h"
#include "tests/wine/test_support_win.h"
#include "app/diag_state_win.h"
#include "ui/main_window_win.h"
#include "ui/shell_state.h"

namespace {

class MainWindowTest : public MainWindowFixture {
  protected:
    RECT ChildRect(HWND child) {
        RECT rc{};
        GetWindowRect(child, &rc);
        MapWindowPoints(HWND_DESKTOP, main_, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
};

// Places the bytes so that they end exactly where an inaccessible page begins: any read past
// cbData faults at once.
class GuardedBuffer {
  public:
    explicit GuardedBuffer(size_t size) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        const size_t dataPages = (size + page - 1) / page + 1;
        total_ = (dataPages + 1) * page;
        base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, total_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + dataPages * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + dataPages * page - size;
    }
    ~GuardedBuffer() { VirtualFree(base_, 0, MEM_RELEASE); }
    unsigned char* Data() { return data_; }

  private:
    unsigned char* base_ = nullptr;
    unsigned char* data_ = nullptr;
    size_t total_ = 0;
};

TEST_F(MainWindowTest, CreatesItsFiveWindowsWithTheirClassesAndStyles) {
    struct Expected {
        HWND window;
        const wchar_t* cls;
        bool child;
        bool visible;
        LONG_PTR exStyle;
    } expected[] = {
        {ui.video, L"JaskelMFVideo", true, true, 0},
        {ui.panel, L"JaskelMFPanel", true, false, 0},
        {ui.music, L"JaskelMFMusic", true, false, 0},
        {ui.osd, L"JaskelMFOsd", false, false, WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT},
        {ui.tip, L"JaskelMFTip", false, false,
         WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_TOPMOST},
    };
    for (const auto& e : expected) {
        ASSERT_NE(e.window, nullptr) << e.cls;
        wchar_t cls[64];
        GetClassNameW(e.window, cls, ARRAYSIZE(cls));
        EXPECT_STREQ(cls, e.cls);
        const LONG_PTR style = GetWindowLongPtrW(e.window, GWL_STYLE);
        EXPECT_EQ((style & WS_CHILD) != 0, e.child) << e.cls;
        EXPECT_EQ(IsWindowVisible(e.window) != FALSE, e.visible) << e.cls;
        EXPECT_EQ(GetWindowLongPtrW(e.window, GWL_EXSTYLE) & e.exStyle, e.exStyle) << e.cls;
        if (!e.child) {
            EXPECT_EQ(GetWindow(e.window, GW_OWNER), main_) << e.cls;
        }
    }
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(ui.osd, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 220);
    EXPECT_TRUE(flags & LWA_ALPHA);
    WNDCLASSEXW videoClass{sizeof videoClass};
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"JaskelMFVideo", &videoClass));
    EXPECT_TRUE(videoClass.style & CS_DBLCLKS);
    EXPECT_TRUE(GetWindowLongPtrW(ui.video, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_TRUE(GetWindowLongPtrW(main_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_TRUE(GetWindowLongPtrW(ui.panel, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_FALSE(GetWindowLongPtrW(ui.music, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(MainWindowTest, LayoutPlacesThePictureAndThePanel) {
    RECT client;
    GetClientRect(main_, &client);
    RECT video = ChildRect(ui.video);
    EXPECT_EQ(video.top, 36);
    EXPECT_EQ(video.right - video.left, client.right);
    EXPECT_EQ(video.bottom, client.bottom - 66);

    shell.playlistVisible = true;
    LayoutChildren(main_);
    video = ChildRect(ui.video);
    const RECT panel = ChildRect(ui.panel);
    EXPECT_EQ(video.right - video.left, client.right - 300);
    EXPECT_TRUE(IsWindowVisible(ui.panel));
    EXPECT_EQ(panel.left, client.right - 300);
    EXPECT_EQ(panel.bottom - panel.top, video.bottom - video.top);

    // An audio item shows the music view instead of the video window, in the same pass.
    playlist = {u"C:\\a.mp3"};
    currentIndex = 0;
    LayoutChildren(main_);
    EXPECT_TRUE(IsWindowVisible(ui.music));
    EXPECT_FALSE(IsWindowVisible(ui.video));
    EXPECT_EQ(GetWindow(main_, GW_CHILD), ui.music) << "the music view is raised to the top";
    engine.hasVideo = true;
    LayoutChildren(main_);
    EXPECT_FALSE(IsWindowVisible(ui.music));
    EXPECT_TRUE(IsWindowVisible(ui.video));
}

TEST_F(MainWindowTest, ResizeRunsTheLayout) {
    SetWindowPos(main_, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(main_, &client);
    const RECT video = ChildRect(ui.video);
    EXPECT_EQ(video.right - video.left, client.right);
    EXPECT_EQ(video.bottom - video.top, client.bottom - 36 - 66);
}

TEST_F(MainWindowTest, CopyDataOfEveryShapeIsReadWithinItsCount) {
    struct Case {
        const char* name;
        std::u16string units;
        size_t byteCount;
        int handoffs; // how many of the cases so far were accepted
        std::vector<std::u16string> paths;
    };
    const Case cases[] = {
        {"zero bytes", u"", 0, 0, {}},
        {"one byte", u"A", 1, 0, {}},
        {"odd count drops the half unit", std::u16string(u"AB\nC", 4), 7, 1, {u"AB"}},
        {"no terminator", u"A\nB", 6, 2, {u"A", u"B"}},
        {"two line feeds", std::u16string(u"A\n\nB\0", 5), 10, 3, {u"A", u"B"}},
    };
    for (const auto& c : cases) {
        GuardedBuffer buffer(c.byteCount);
        std::memcpy(buffer.Data(), c.units.data(), c.byteCount);
        COPYDATASTRUCT data{1, static_cast<DWORD>(c.byteCount), c.byteCount ? buffer.Data() : nullptr};
        EXPECT_EQ(SendMessageW(main_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), TRUE) << c.name;
        EXPECT_EQ(diagRecord.handoffCount, c.handoffs) << c.name;
        if (c.byteCount > 1) {
            EXPECT_EQ(diagRecord.lastHandoff, c.paths) << c.name;
        }
    }
}

TEST_F(MainWindowTest, CopyDataWithNullPointersIsIgnored) {
    EXPECT_EQ(SendMessageW(main_, WM_COPYDATA, 0, 0), TRUE);
    COPYDATASTRUCT data{1, 4096, nullptr};
    EXPECT_EQ(SendMessageW(main_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), TRUE);
    EXPECT_EQ(diagRecord.handoffCount, 0);
}

TEST_F(MainWindowTest, CopyDataWithAHugeCountAndNoTerminator) {
    const size_t units = 16 * 1024 * 1024;
    GuardedBuffer buffer(units * 2);
    auto* text = reinterpret_cast<char16_t*>(buffer.Data());
    for (size_t i = 0; i < units; ++i)
        text[i] = (i % 1000 == 999) ? u'\n' : u'x';
    COPYDATASTRUCT data{1, static_cast<DWORD>(units * 2), buffer.Data()};
    EXPECT_EQ(SendMessageW(main_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), TRUE);
    EXPECT_EQ(diagRecord.handoffCount, 1);
    EXPECT_EQ(diagRecord.lastHandoff.size(), units / 1000 + 1);
}

TEST_F(MainWindowTest, DestroySetsClosingAndEndsTheLoop) {
    DestroyWindow(main_);
    EXPECT_TRUE(shell.windowClosing.load());
    MSG msg;
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        quit |= msg.message == WM_QUIT && msg.wParam == 0;
    EXPECT_TRUE(quit);
}

TEST_F(MainWindowTest, PaintingCountsPaints) {
    const int before = shell.paintCount;
    InvalidateRect(main_, nullptr, FALSE);
    UpdateWindow(main_);
    EXPECT_GT(shell.paintCount, before);
}

TEST_F(MainWindowTest, TickRepaintsTheControlStripOnlyWhilePlaying) {
    RECT client;
    GetClientRect(main_, &client);
    struct Case {
        bool paused;
        bool expectStrip;
    } cases[] = {{false, true}, {true, false}};
    for (const auto& c : cases) {
        ValidateRect(main_, nullptr);
        engine.paused = c.paused;
        SendMessageW(main_, WM_TIMER, kTickTimerId, 0);
        RECT update{};
        const bool pending = GetUpdateRect(main_, &update, FALSE) != FALSE;
        EXPECT_EQ(pending, c.expectStrip) << "paused " << c.paused;
        if (pending) {
            EXPECT_EQ(update.top, client.bottom - 66);
            EXPECT_EQ(update.bottom, client.bottom);
            EXPECT_EQ(update.right - update.left, client.right);
        }
    }
    engine.paused = false;
}

TEST_F(MainWindowTest, DpiChangeTakesTheSuggestedRectangleAndLaysOut) {
    RECT suggested{40, 30, 40 + 1200, 30 + 700};
    SendMessageW(main_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT frame;
    GetWindowRect(main_, &frame);
    EXPECT_EQ(frame.left, 40);
    EXPECT_EQ(frame.top, 30);
    EXPECT_EQ(frame.right - frame.left, 1200);
    EXPECT_EQ(frame.bottom - frame.top, 700);
    RECT client;
    GetClientRect(main_, &client);
    EXPECT_EQ(ChildRect(ui.video).right, client.right);
}

TEST_F(MainWindowTest, StatusTextIsDrawnCentredInsideTheMargins) {
    engine.statusText = u"Cannot open this file.";
    InvalidateRect(ui.video, nullptr, FALSE);
    UpdateWindow(ui.video);
    RECT rc;
    GetClientRect(ui.video, &rc);
    HDC source = GetDC(ui.video);
    int textPixels = 0;
    int outsideMargins = 0;
    for (int y = 0; y < rc.bottom; y += 1) {
        for (int x = 0; x < rc.right; x += 1) {
            if (GetPixel(source, x, y) == RGB(0, 0, 0))
                continue;
            ++textPixels;
            if (x < 30 || x >= rc.right - 30 || y < rc.bottom / 2 - 30 || y > rc.bottom / 2 + 30)
                ++outsideMargins;
        }
    }
    ReleaseDC(ui.video, source);
    engine.statusText.clear();
    EXPECT_GT(textPixels, 50);
    EXPECT_EQ(outsideMargins, 0);
}

// Moves the real cursor and sends the picture window the mouse messages a press and drag produce.
class PictureDragTest : public MainWindowTest {
  protected:
    void Press(POINT at) {
        SetCursorPos(at.x, at.y);
        SendMessageW(ui.video, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    }
    void MoveTo(POINT at) {
        SetCursorPos(at.x, at.y);
        SendMessageW(ui.video, WM_MOUSEMOVE, MK_LBUTTON, 0);
    }
    POINT WindowOrigin() {
        RECT rc;
        GetWindowRect(main_, &rc);
        return {rc.left, rc.top};
    }
};

TEST_F(PictureDragTest, SmallMovesKeepTheWindowAndLargerOnesMoveIt) {
    SetWindowPos(main_, nullptr, 100, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const POINT origin = WindowOrigin();
    POINT cursor{origin.x + 300, origin.y + 200};
    POINT actual{};
    SetCursorPos(cursor.x, cursor.y);
    GetCursorPos(&actual);
    if (actual.x != cursor.x || actual.y != cursor.y)
        GTEST_FAIL() << "the cursor cannot be placed on this display";

    Press(cursor);
    EXPECT_EQ(shell.videoDragState, 1);
    MoveTo({cursor.x + 4, cursor.y}); // squared distance 16: still a click
    EXPECT_EQ(shell.videoDragState, 1);
    MoveTo({cursor.x + 3, cursor.y + 3}); // 18: the drag starts, the window stays
    EXPECT_EQ(shell.videoDragState, 2);
    EXPECT_EQ(WindowOrigin().x, origin.x);
    MoveTo({cursor.x + 13, cursor.y + 8});
    EXPECT_EQ(WindowOrigin().x, origin.x + 10);
    EXPECT_EQ(WindowOrigin().y, origin.y + 5);
    SendMessageW(ui.video, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(shell.videoDragState, 0);
}

TEST_F(PictureDragTest, DoubleClickNeverMovesTheWindow) {
    const POINT origin = WindowOrigin();
    Press({origin.x + 200, origin.y + 200});
    SendMessageW(ui.video, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    EXPECT_EQ(shell.videoDragState, 0);
    MoveTo({origin.x + 260, origin.y + 260});
    EXPECT_EQ(WindowOrigin().x, origin.x);
}

} // namespace
