// The MFPlay engine (JK_ENGINE=mfplay) playing real clips, in a helper process (see
// mfplay_probe_win.cpp for why).
#include <gtest/gtest.h>

#include <regex>

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
    // The current open's failure shows the codec message with the event's HRESULT in eight
    // upper-case hexadecimal digits (the probe runs in English).
    const std::regex current(
        R"(current ended=0 hasVideo=0 duration=-1\.00 status=Cannot play this file \(error 0x[0-9A-F]{8}\)\.)");
    EXPECT_TRUE(std::regex_search(result, current)) << result;
}

} // namespace
