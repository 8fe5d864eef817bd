// The real player starts its updater once its window is up: with the release host, which the test's
// hosts file sends to the local server, and the release key, which refuses a manifest signed with
// the test key. JK_NOUPDATE keeps it from starting at all.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/wine/test_support_win.h"
#include "tests/wine/update/upd_fixture_win.h"

namespace {

constexpr DWORD kWindowLimitMs = 20000;
constexpr DWORD kUpdaterLimitMs = 20000;
// The updater waits 4 s before it asks; this is long enough for it to have logged.
constexpr DWORD kQuietWaitMs = 6000;

// A copy of the player without the developers' marker that lies beside it in the build tree.
std::wstring PlayerCopy() {
    return RequiredEnvironment(L"JK_UPD_PLAYER");
}

HWND WaitForPlayerWindow(const ChildProcess& player) {
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindProcessWindow(player.Id(), L"JaskelMFPlayer")) != nullptr; },
              kWindowLimitMs);
    return window;
}

void ClosePlayer(ChildProcess& player, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(player.WaitForExit(kWindowLimitMs).has_value());
}

TEST(UpdPlayer, StartUpRunsTheUpdaterWithTheReleaseHostAndKey) {
    UpdTemp temp; // the player inherits TMP, so its log lands here
    EntrySpec entry;
    entry.sha256 = std::string(64, 'a');
    entry.size = 1000;
    UpdSite::Get().Put("manifest.bin", SignedManifest(ManifestBody(entry)));
    UpdSite::Get().Route(R"({"/update/v1": {"file": "manifest.bin"}})");
    UpdSite::Get().TakeRequests();

    {
        ChildProcess player;
        ASSERT_TRUE(player.Start(PlayerCopy(), {}, {{L"JK_NOUPDATE", L""}}));
        const HWND window = WaitForPlayerWindow(player);
        ASSERT_NE(window, nullptr);
        Sleep(kQuietWaitMs);
        EXPECT_TRUE(temp.LogWords().empty());
        EXPECT_TRUE(UpdSite::Get().TakeRequests().empty());
        ClosePlayer(player, window);
    }

    ChildProcess player;
    ASSERT_TRUE(player.Start(PlayerCopy(), {}));
    const HWND window = WaitForPlayerWindow(player);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return !temp.LogWords().empty(); }, kUpdaterLimitMs));
    EXPECT_EQ(temp.LogWords(), std::vector<std::string>{"bad-manifest-sig"});
    const std::vector<std::string> requests = UpdSite::Get().TakeRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("jaskel.net /update/v1?t=", 0), 0u) << requests[0];
    ClosePlayer(player, window);
}

} // namespace
