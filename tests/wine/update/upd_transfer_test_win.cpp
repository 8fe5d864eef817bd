// The manifest fetch and the installer download against the local HTTPS server: redirects and the
// final host, size limits, and every way a download can end.
#include <gtest/gtest.h>

#include "tests/wine/update/upd_fixture_win.h"
#include "update/download_win.h"
#include "update/http_win.h"
#include "update/upd_messages_win.h"

namespace {

// Long enough for a busy machine between two blocks, short enough for the stall cases.
constexpr DWORD kShortReceiveTimeoutMs = 3000;
constexpr DWORD kDownloadLimitMs = 30000;

struct FetchCase {
    const char* name;
    std::string routes;
    size_t bodyBytes; // bytes of manifest.bin; 0 for an empty body
    bool fetched;
    bool badFinalHost;
};

std::string Route(const std::string& path, const std::string& answer) {
    return "{\"" + path + "\": " + answer + ", \"/m\": {\"file\": \"manifest.bin\"}}";
}

TEST(UpdTransfer, ManifestFetchFollowsOnlyRedirectsThatEndAtTheUpdateHost) {
    const FetchCase cases[] = {
        {"plain", Route("/update/v1", R"({"file": "manifest.bin"})"), 300, true, false},
        {"to the www host", Route("/update/v1", R"({"redirect": "https://www.jkupd.test/m"})"), 300, true,
         false},
        {"to a path on the same host", Route("/update/v1", R"({"redirect": "/m"})"), 300, true, false},
        {"to another host", Route("/update/v1", R"({"redirect": "https://other-host.test/m"})"), 300, false,
         true},
        {"to http", Route("/update/v1", R"({"redirect": "http://jkupd.test/m"})"), 300, false, false},
        {"65,536 bytes", Route("/update/v1", R"({"file": "manifest.bin"})"), 65536, true, false},
        {"65,537 bytes", Route("/update/v1", R"({"file": "manifest.bin"})"), 65537, false, false},
        {"65,537 bytes, no length", Route("/update/v1", R"({"file": "manifest.bin", "length": false})"),
         65537, false, false},
        {"empty", Route("/update/v1", R"({"file": "manifest.bin"})"), 0, false, false},
        {"not found", Route("/elsewhere", R"({"file": "manifest.bin"})"), 300, false, false},
    };
    for (const FetchCase& c : cases) {
        SCOPED_TRACE(c.name);
        UpdTemp temp;
        const std::string body(c.bodyBytes, 'm');
        UpdSite::Get().Put("manifest.bin", body);
        UpdSite::Get().Route(c.routes);
        UpdSite::Get().TakeRequests();
        std::string fetched;
        EXPECT_EQ(FetchUpdManifest(fetched), c.fetched);
        EXPECT_EQ(fetched, c.fetched ? body : "");
        const std::vector<std::string> bad = {"bad-final-host"};
        EXPECT_EQ(temp.LogWords(), c.badFinalHost ? bad : std::vector<std::string>());
        const std::vector<std::string> requests = UpdSite::Get().TakeRequests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests[0].rfind("jkupd.test /update/v1?t=", 0), 0u) << requests[0];
    }
}

// Runs the download thread as the updater does and waits for its WM_UPD_DONE.
struct DownloadResult {
    bool done = false;
    WPARAM success = 0;
    std::string error;
    int wakeUps = 0; // WM_NULL, posted with every progress report
};

DownloadResult Download(UpdDownloadJob& job) {
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    job.updaterThreadId = GetCurrentThreadId();
    HANDLE thread = CreateThread(nullptr, 0, RunUpdDownload, &job, 0, nullptr);
    DownloadResult result;
    const ULONGLONG start = GetTickCount64();
    while (!result.done && GetTickCount64() - start < kDownloadLimitMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == nullptr && msg.message == WM_UPD_DONE) {
                result.done = true;
                result.success = msg.wParam;
            }
            if (msg.hwnd == nullptr && msg.message == WM_NULL)
                ++result.wakeUps;
            DispatchMessageW(&msg);
        }
    }
    EXPECT_TRUE(result.done) << "no WM_UPD_DONE";
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    result.error = job.error;
    return result;
}

struct DownloadCase {
    const char* name;
    std::string answer;     // the route of the installer path
    std::int64_t sizeDelta; // manifest size minus the served file's size
    bool wrongHash;
    bool cancelled;
    const char* error; // "" for success
};

TEST(UpdTransfer, DownloadEndsWithTheRightWordAndKeepsOnlyACompleteFile) {
    const std::string installer = StubBytes(L"publisher");
    const std::int64_t size = static_cast<std::int64_t>(installer.size());
    const std::string half = std::to_string(installer.size() / 2);
    const DownloadCase cases[] = {
        {"complete", R"({"file": "installer.bin"})", 0, false, false, ""},
        {"without a length", R"({"file": "installer.bin", "length": false})", 0, false, false, ""},
        {"wrong hash", R"({"file": "installer.bin"})", 0, true, false, "dl-sha"},
        {"length differs", R"({"file": "installer.bin"})", 1, false, false, "dl-length"},
        {"body too short", R"({"file": "installer.bin", "length": false})", 1, false, false, "dl-short"},
        {"body too long", R"({"file": "installer.bin", "length": false})", -1, false, false, "dl-too-long"},
        {"truncated", R"({"file": "installer.bin", "length": false, "cut": )" + half + "}", 0, false, false,
         "dl-short"},
        {"cut short of its length", R"({"file": "installer.bin", "cut": )" + half + "}", 0, false, false,
         "dl-short"},
        {"stalled", R"({"file": "installer.bin", "stall": )" + half + "}", 0, false, false, "dl-stall"},
        {"dripping", R"({"file": "installer.bin", "drip": [1000, 100]})", 0, false, false, "dl-stall"},
        {"cancelled", R"({"file": "installer.bin"})", 0, false, true, "cancelled"},
        {"to another host", R"({"redirect": "https://other-host.test/dl/x"})", 0, false, false, "dl-open"},
        {"not found", R"({"status": 404})", 0, false, false, "dl-open"},
    };
    UpdSite::Get().Put("installer.bin", installer);
    for (const DownloadCase& c : cases) {
        SCOPED_TRACE(c.name);
        UpdTemp temp;
        UpdSite::Get().Route("{\"" + std::string(kInstallerPath) + "\": " + c.answer +
                             ", \"/dl/x\": {\"file\": \"installer.bin\"}}");
        UpdSite::Get().TakeRequests();
        UpdDownloadJob job;
        job.key = kInstallerKey;
        job.sha256 = c.wrongHash ? std::string(64, '0') : Sha256Hex(installer);
        job.size = size + c.sizeDelta;
        job.destPath =
            std::u16string(u"") + reinterpret_cast<const char16_t*>((temp.Path() + L"\\setup.exe").c_str());
        job.receiveTimeoutMs = kShortReceiveTimeoutMs;
        UpdCancelFlag = c.cancelled;
        const DownloadResult result = Download(job);
        UpdCancelFlag = false;
        EXPECT_TRUE(result.done);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.success, std::string(c.error).empty() ? 1u : 0u);
        if (std::string(c.error).empty()) {
            EXPECT_GE(result.wakeUps, 1) << "a report right after the first block";
        }
        const std::optional<std::string> file = ReadFileBytes(temp.Path() + L"\\setup.exe");
        EXPECT_EQ(file.has_value(), std::string(c.error).empty());
        if (file) {
            EXPECT_EQ(*file, installer);
        }
        const std::vector<std::string> requests = UpdSite::Get().TakeRequests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests[0], std::string("jkupd.test ") + kInstallerPath);
    }
}

TEST(UpdTransfer, DownloadNeverOverwritesAnExistingFile) {
    UpdTemp temp;
    const std::string installer = StubBytes(L"publisher");
    UpdSite::Get().Put("installer.bin", installer);
    UpdSite::Get().Route("{\"" + std::string(kInstallerPath) + "\": {\"file\": \"installer.bin\"}}");
    const std::wstring dest = temp.Path() + L"\\setup.exe";
    ASSERT_TRUE(WriteFileBytes(dest, "already here"));
    UpdDownloadJob job;
    job.key = kInstallerKey;
    job.sha256 = Sha256Hex(installer);
    job.size = static_cast<std::int64_t>(installer.size());
    job.destPath = reinterpret_cast<const char16_t*>(dest.c_str());
    EXPECT_EQ(Download(job).error, "dl-create");
    EXPECT_EQ(ReadFileBytes(dest), "already here");
}

} // namespace
