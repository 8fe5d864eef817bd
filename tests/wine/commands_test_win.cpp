// The commands and menus in a real main window of the test process: what the built menus check
// and gray, and what the commands change.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/wide_win.h"
#include "diag/ui_text_win.h"
#include "i18n/i18n_win.h"
#include "tests/wine/main_window_fixture_win.h"
#include "tests/wine/test_support_win.h"
#include "ui/commands_win.h"
#include "ui/osd_win.h"
#include "ui/transport_state.h"

namespace {

class CommandsTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        transport = TransportState{};
    }
    void TearDown() override {
        if (menu_)
            DestroyMenu(menu_);
        MainWindowFixture::TearDown();
    }
    // The state of a command's entry, found in any submenu.
    UINT State(int command) { return GetMenuState(menu_, static_cast<UINT>(command), MF_BYCOMMAND); }
    bool Checked(int command) { return (State(command) & MF_CHECKED) != 0; }
    bool Grayed(int command) { return (State(command) & MF_GRAYED) != 0; }
    std::wstring Text(int command) {
        wchar_t text[128] = L"";
        GetMenuStringW(menu_, static_cast<UINT>(command), text, 128, MF_BYCOMMAND);
        return text;
    }
    HMENU menu_ = nullptr;
};

TEST_F(CommandsTest, ContextMenuChecksAndGraysFollowTheState) {
    engine.paused = true;
    engine.muted = true;
    engine.speed = 1.5f;
    transport.repeatMode = 2;
    transport.loopStart = 10; // A set, B unset
    shell.playlistVisible = true;
    menu_ = BuildContextMenu();
    EXPECT_EQ(Text(CMD_PLAY_PAUSE), I18nText(L"재생\tSpace")) << "paused: the entry offers Play";
    EXPECT_TRUE(Checked(CMD_REPEAT_ONE));
    EXPECT_FALSE(Checked(CMD_REPEAT_OFF));
    EXPECT_FALSE(Checked(CMD_REPEAT_ALL));
    EXPECT_TRUE(Grayed(CMD_LOOP_TOGGLE)) << "B unset";
    EXPECT_FALSE(Grayed(CMD_LOOP_CLEAR)) << "A set";
    EXPECT_TRUE(Checked(CMD_MUTE));
    EXPECT_TRUE(Checked(CMD_PLAYLIST_PANEL));
    EXPECT_FALSE(Checked(CMD_FULLSCREEN));
    EXPECT_TRUE(Checked(CMD_SPEED_1_5));
    EXPECT_FALSE(Checked(CMD_SPEED_1_0));
    EXPECT_NE(State(CMD_EXIT), 0xFFFFFFFFu) << "Exit is there";

    DestroyMenu(menu_);
    engine.paused = false;
    transport = TransportState{};
    transport.loopStart = 5;
    transport.loopEnd = 9;
    transport.loopActive = true;
    menu_ = BuildContextMenu();
    EXPECT_EQ(Text(CMD_PLAY_PAUSE), I18nText(L"일시 정지\tSpace"));
    EXPECT_TRUE(Checked(CMD_REPEAT_OFF));
    EXPECT_TRUE(Checked(CMD_LOOP_TOGGLE));
    EXPECT_FALSE(Grayed(CMD_LOOP_TOGGLE));

    DestroyMenu(menu_);
    transport = TransportState{};
    menu_ = BuildContextMenu();
    EXPECT_TRUE(Grayed(CMD_LOOP_CLEAR)) << "neither A nor B set";
}

TEST_F(CommandsTest, LeftToRightLanguagesKeepTheSystemsLayout) {
    ASSERT_FALSE(I18nIsRtl());
    EXPECT_EQ(UiMessageBoxStyle(MB_OK), static_cast<UINT>(MB_OK));
    EXPECT_EQ(UiMenuTrackFlags(TPM_RETURNCMD), static_cast<UINT>(TPM_RETURNCMD));
}

TEST_F(CommandsTest, SpeedEntryCheckedOnlyWithinAHundredth) {
    const struct {
        float speed;
        int checked; // 0: none
    } cases[] = {{1.0f, CMD_SPEED_1_0}, {1.5f, CMD_SPEED_1_5}, {1.1f, 0}, {0.755f, CMD_SPEED_0_75},
                 {0.76f, 0},        {3.0f, CMD_SPEED_3_0}, {0.25f, 0}};
    for (const auto& c : cases) {
        engine.speed = c.speed;
        menu_ = BuildSpeedMenu();
        for (int command = CMD_SPEED_0_5; command <= CMD_SPEED_3_0; ++command)
            EXPECT_EQ(Checked(command), command == c.checked) << c.speed << " entry " << command;
        DestroyMenu(menu_);
        menu_ = nullptr;
    }
}

TEST_F(CommandsTest, CommandsChangeTheTransportAndTellTheUser) {
    DispatchCommand(CMD_REPEAT_ALL);
    EXPECT_EQ(transport.repeatMode, 1);
    EXPECT_EQ(osd.text, U16(I18nText(L"전체 반복")));
    DispatchCommand(CMD_SPEED_2_5);
    EXPECT_FLOAT_EQ(engine.speed, 2.5f);
    DispatchCommand(CMD_SPEED_NORMAL_PREVIOUS);
    EXPECT_FLOAT_EQ(engine.speed, 1.0f);
    DispatchCommand(CMD_SPEED_NORMAL_PREVIOUS);
    EXPECT_FLOAT_EQ(engine.speed, 2.5f) << "back to the previous speed";
    DispatchCommand(CMD_SPEED_SLOWER);
    EXPECT_FLOAT_EQ(engine.speed, 2.4f);
    engine.volume = 1.0f;
    DispatchCommand(CMD_VOLUME_UP);
    EXPECT_FLOAT_EQ(engine.volume, 1.45f);
    EXPECT_EQ(osd.text, U16(I18nFormat(L"볼륨 %d%%", 145).c_str()));
    DispatchCommand(CMD_MUTE);
    EXPECT_TRUE(engine.muted);
    DispatchCommand(CMD_LOOP_TOGGLE);
    EXPECT_EQ(osd.text, U16(I18nText(L"먼저 A와 B 지점을 지정하세요"))) << "no points yet";
    const long shown = osd.count;
    DispatchCommand(999);
    EXPECT_EQ(osd.count, shown) << "a number outside the table does nothing";
    DispatchCommand(CMD_EXIT);
    PumpMessagesFor(200);
    EXPECT_FALSE(IsWindow(main_)) << "Exit closes the window";
}

} // namespace
