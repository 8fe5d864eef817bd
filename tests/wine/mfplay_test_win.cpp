// The MFPlay engine (JK_ENGINE=mfplay) playing real clips, in a helper process (see
// mfplay_probe_win.cpp for why).
#include <gtest/gtest.h>

#include "tests/wine/test_support_win.h"

namespace {

std::string RunProbe(const wchar_t* scenario) {
    TempFolder folder;
    const std::wstring out = folder.File(L"result.txt");
    ChildProcess probe;
    if (!probe.Start(TestProgramFolder() + L"\\mfplay_probe.exe", {scenario}, {{L"JK_MFPLAY_OUT", out}}))
        return "probe did not start";
    std::string result;
    WaitUntil(
        [&] {
            result = ReadWholeFile(out).value_or("");
            return result.find("done\n") != std::string::npos;
        },
        60000);
    return result; // the probe is ended when it goes out of scope
}

TEST(Mfplay, PlaysAClipToTheEnd) {
    const std::string result = RunProbe(L"play");
    EXPECT_EQ(result, "play ended=1 hasVideo=1 duration=2.00 status=\ndone\n") << result;
}

// Not run here: Wine 8's MFPlay writes through the item pointer that an asynchronous
// CreateMediaItemFromObject must be given as null, and crashes; the repaired stream itself is
// tested through its own interfaces in webm_test.

TEST(Mfplay, ShowsTheCodecMessageOnlyForTheCurrentOpen) {
    const std::string result = RunProbe(L"stale");
    EXPECT_NE(result.find("stale ended=1 hasVideo=1 duration=2.00 status=\n"), std::string::npos) << result;
    const size_t current = result.find("current ");
    ASSERT_NE(current, std::string::npos) << result;
    EXPECT_NE(result.find("status=", current), std::string::npos);
    EXPECT_NE(result.find("0x", current), std::string::npos) << "the codec message names the error: " << result;
}

} // namespace
