// The whole updater thread against the local HTTPS server: what it logs, shows, records and starts.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "tests/wine/update/upd_fixture_win.h"
#include "update/upd_messages_win.h"
#include "update/upd_system_win.h"
#include "update/updater_win.h"

namespace {

// Set by a hook on the updater's thread when it creates its progress window: a window that
// lives only a few milliseconds (a download refused at its headers) is still seen.
bool progressCreated = false;

LRESULT CALLBACK NoteProgressWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        wchar_t name[64] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64);
        if (wcscmp(name, L"JKUpdProgress") == 0)
            progressCreated = true;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

constexpr DWORD kFlowLimitMs = 60000;
const std::wstring kInstallerName = L"Jaskel Setup 0.6.9.exe";
const std::wstring kWebsiteText =
    L"\n\nPlease download and install the new version from our website. Open the website now?";
const std::wstring kDownloadFailed =
    L"Could not download the new version (the connection dropped or the file is incomplete)." + kWebsiteText;
const std::wstring kNotSigned =
    L"The downloaded file is not signed by Jaskel, so it was not installed." + kWebsiteText;

std::wstring DataFolder() {
    PWSTR path = nullptr;
    SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path);
    std::wstring folder = std::wstring(path) + L"\\Jaskel\\player";
    CoTaskMemFree(path);
    return folder;
}

std::wstring AttemptFile() {
    return DataFolder() + L"\\upd-attempt.txt";
}
std::wstring LastVersionFile() {
    return DataFolder() + L"\\last-version.txt";
}

std::int64_t UnixNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((static_cast<std::int64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) -
            116444736000000000LL) /
           10000000;
}

std::string AttemptText(const std::string& sha, const std::string& target, std::int64_t firstTime,
                        int count) {
    return "v1\t" + sha + "\t" + target + "\t" + std::to_string(firstTime) + "\t" + std::to_string(count) +
           "\n";
}

const std::string kEmptyRecord = "v1\t\t\t0\t0\n";

// The tab-separated fields of an attempt record's line.
std::vector<std::string> RecordFields(const std::string& text) {
    std::vector<std::string> fields(1);
    for (const char c : text.substr(0, text.find('\n'))) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back().push_back(c);
    }
    return fields;
}

struct Launches {
    static inline DWORD failWith = 0;
    static BOOL WINAPI Refuse(SHELLEXECUTEINFOW*) {
        SetLastError(failWith);
        return FALSE;
    }
    static HINSTANCE WINAPI NoBrowser(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) {
        return reinterpret_cast<HINSTANCE>(42);
    }
};

// What one run of the updater thread did.
struct FlowRun {
    std::vector<std::string> log;
    std::vector<ShownBox> boxes;
    std::vector<std::string> requests;
    int closes = 0;
    int busyQuestions = 0;
    bool progressShown = false;
    bool finished = false;
};

class UpdFlow : public testing::Test {
  protected:
    void SetUp() override {
        UpdCancelFlag = false;
        DeleteFileW(AttemptFile().c_str());
        RemoveDirectoryW(AttemptFile().c_str());
        DeleteFileW(LastVersionFile().c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Jaskel\\player");
        calls_ = UpdSystem();
        UpdSystem().shellExecute = Launches::NoBrowser;
        installer_ = StubBytes(L"publisher");
        entry_ = EntrySpec{};
        entry_.sha256 = Sha256Hex(installer_);
        entry_.size = static_cast<std::int64_t>(installer_.size());
    }
    void TearDown() override {
        UpdSystem() = calls_;
        UpdCancelFlag = false;
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Jaskel\\player");
    }

    // The manifest names entry_ and the server answers the installer path with installerAnswer.
    void Serve(const std::string& installerAnswer = R"({"file": "installer.bin"})") {
        UpdSite::Get().Put("manifest.bin", SignedManifest(ManifestBody(entry_)));
        UpdSite::Get().Put("installer.bin", installer_);
        UpdSite::Get().Route(R"({"/update/v1": {"file": "manifest.bin"}, "/m": {"file": "manifest.bin"}, ")" +
                             std::string(kInstallerPath) + "\": " + installerAnswer + "}");
        UpdSite::Get().TakeRequests();
    }

    std::wstring StartedArgsFile() const {
        for (const std::wstring& folder : temp_->ScratchFolders()) {
            if (Exists(folder + L"\\" + kInstallerName + L".args.txt"))
                return folder + L"\\" + kInstallerName + L".args.txt";
        }
        return {};
    }

    FlowRun Run(const std::function<void(const FakeMainWindow&)>& whileRunning = {},
                UpdTiming timing = FastTiming(), int boxAnswer = IDNO, std::deque<LRESULT> busy = {}) {
        FakeMainWindow main(std::move(busy));
        UpdParams params;
        params.app = "player";
        params.version = "0.6.8";
        params.title = u"Jaskel Player";
        params.mainWindow = main.Handle();
        params.timing = timing;
        DWORD threadId = 0;
        HANDLE thread = CreateThread(nullptr, 0, UpdaterThread, &params, CREATE_SUSPENDED, &threadId);
        progressCreated = false;
        HHOOK hook = SetWindowsHookExW(WH_CBT, NoteProgressWindow, nullptr, threadId);
        EXPECT_NE(hook, nullptr);
        ResumeThread(thread);
        FlowRun run;
        BoxAnswerer boxes(boxAnswer);
        run.finished = PumpUntil(
            [&] {
                if (whileRunning)
                    whileRunning(main);
                return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
            },
            kFlowLimitMs, &boxes);
        EXPECT_TRUE(run.finished) << "the updater thread did not end";
        if (hook)
            UnhookWindowsHookEx(hook);
        run.progressShown = progressCreated;
        if (run.finished)
            CloseHandle(thread);
        run.log = temp_->LogWords();
        run.boxes = boxes.Shown();
        run.requests = UpdSite::Get().TakeRequests();
        run.closes = main.Closes();
        run.busyQuestions = main.Questions();
        return run;
    }

    static UpdTiming FastTiming() {
        UpdTiming timing;
        timing.firstWaitMs = 0;
        timing.secondWaitMs = 0;
        timing.busyPauseMs = 100;
        timing.downloadReceiveTimeoutMs = 3000; // long enough for a busy machine, short for the stall cases
        return timing;
    }

    // Puts the given stub installer where the manifest's entry points, with its own hash and size.
    void ServeStub(const wchar_t* stub) {
        installer_ = StubBytes(stub);
        entry_.sha256 = Sha256Hex(installer_);
        entry_.size = static_cast<std::int64_t>(installer_.size());
        Serve();
    }

    void ServeManifestAnswer(const std::string& answer) {
        Serve();
        UpdSite::Get().Route(R"({"/update/v1": )" + answer + R"(, "/m": {"file": "manifest.bin"}})");
    }

    static void SetVerdict(const wchar_t* result, const wchar_t* target) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Jaskel\\player\\Update", 0, nullptr, 0,
                                  KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"LastResult", 0, REG_SZ, reinterpret_cast<const BYTE*>(result),
                       static_cast<DWORD>((wcslen(result) + 1) * sizeof(wchar_t)));
        RegSetValueExW(key, L"LastTarget", 0, REG_SZ, reinterpret_cast<const BYTE*>(target),
                       static_cast<DWORD>((wcslen(target) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    std::optional<UpdTemp> temp_{std::in_place};
    UpdSystemCalls calls_;
    std::string installer_;
    EntrySpec entry_;
};

std::vector<std::wstring> Texts(const std::vector<ShownBox>& boxes) {
    std::vector<std::wstring> texts;
    for (const ShownBox& box : boxes) {
        EXPECT_EQ(box.caption, L"Jaskel Player");
        texts.push_back(box.text);
    }
    return texts;
}

TEST_F(UpdFlow, OfferedUpdateIsDownloadedVerifiedAndHandedOffElevated) {
    for (const bool required : {false, true}) {
        SCOPED_TRACE(required ? "required" : "offered");
        temp_.emplace(); // a fresh temporary folder for each round
        entry_.minSupported = required ? "0.7.0" : "0.6.0";
        Serve();
        bool checked = false;
        const FlowRun run = Run([&](const FakeMainWindow& main) {
            const std::wstring args = StartedArgsFile();
            if (checked || args.empty() || main.Closes() == 0) // the player is told to close last
                return;
            checked = true;
            const HWND window = FindOwnWindow(L"JKUpdProgress");
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(TextOf(FindWindowExW(window, nullptr, L"Static", nullptr)),
                      L"Installing… The program will reopen when it is done.");
            EXPECT_TRUE(
                GetWindowLongPtrW(FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr), GWL_STYLE) &
                PBS_MARQUEE);
            const HWND cancel = GetDlgItem(window, 1779);
            EXPECT_EQ(cancel != nullptr, !required);
            EXPECT_FALSE(cancel && IsWindowVisible(cancel));
            const std::string commandLine = ReadFileBytes(args).value_or("");
            EXPECT_NE(commandLine.find(std::string(kInstallerKey).substr(7) + "\" /AUTO"), std::string::npos)
                << commandLine;
            const std::vector<std::string> record = RecordFields(ReadFileBytes(AttemptFile()).value_or(""));
            ASSERT_EQ(record.size(), 5u);
            EXPECT_EQ(record[0] + " " + record[1] + " " + record[2] + " " + record[4],
                      "v1 " + entry_.sha256 + " 0.6.9 1");
            EXPECT_LE(std::abs(std::stoll(record[3]) - UnixNow()), 60);
            WriteFileBytes(args.substr(0, args.size() - 9) + L".release", "");
        });
        EXPECT_TRUE(checked) << "the installer was not started";
        EXPECT_EQ(run.log, (std::vector<std::string>{"handed-off", "installer-ended-first\t7"}));
        EXPECT_TRUE(run.boxes.empty());
        EXPECT_EQ(run.closes, 1);
        EXPECT_EQ(run.busyQuestions, 2);
        EXPECT_EQ(ReadFileBytes(AttemptFile()),
                  kEmptyRecord); // the old record back: the installer ended first
        EXPECT_EQ(FindOwnWindow(L"JKUpdProgress"), nullptr);
        ASSERT_EQ(run.requests.size(), 2u);
        EXPECT_EQ(run.requests[1], std::string("jkupd.test ") + kInstallerPath);
    }
}

struct Refusal {
    const char* name;
    std::function<void()> arrange;
    std::vector<std::string> log;
    std::vector<std::wstring> boxes;
    bool downloaded; // the installer was requested (and the progress window shown)
};

TEST_F(UpdFlow, EveryRefusalEndsWithItsWordAndStartsNothing) {
    const std::string file = R"({"file": "installer.bin"})";
    const std::vector<Refusal> cases = {
        {"no newer version",
         [&] {
             entry_.latest = "0.6.8";
             Serve();
         },
         {"up-to-date"},
         {},
         false},
        {"an older version",
         [&] {
             entry_.latest = "0.6.7";
             Serve();
         },
         {"up-to-date"},
         {},
         false},
        {"manifest from another host",
         [&] { ServeManifestAnswer(R"({"redirect": "https://other-host.test/m"})"); },
         {"bad-final-host", "no-manifest"},
         {},
         false},
        {"manifest over http",
         [&] { ServeManifestAnswer(R"({"redirect": "http://jkupd.test/m"})"); },
         {"no-manifest"},
         {},
         false},
        {"oversized manifest",
         [&] {
             Serve();
             UpdSite::Get().Put("manifest.bin",
                                SignedManifest(ManifestBody(entry_) + std::string(65536, ' ')));
         },
         {"no-manifest"},
         {},
         false},
        {"empty manifest",
         [&] {
             Serve();
             UpdSite::Get().Put("manifest.bin", "");
         },
         {"no-manifest"},
         {},
         false},
        {"changed manifest",
         [&] {
             Serve();
             std::string manifest = SignedManifest(ManifestBody(entry_));
             manifest[manifest.find("0.6.9")] = '1';
             UpdSite::Get().Put("manifest.bin", manifest);
         },
         {"bad-manifest-sig"},
         {},
         false},
        {"the installer's own verdict",
         [&] {
             Serve();
             SetVerdict(L"reverted", L"0.6.9");
         },
         {"machine-refuse"},
         {},
         false},
        {"attempt file cannot be written",
         [&] {
             Serve();
             CreateDirectoryW(AttemptFile().c_str(), nullptr);
         },
         {"no-persist"},
         {},
         false},
        {"truncated download",
         [&] { Serve(R"({"file": "installer.bin", "length": false, "cut": 5000})"); },
         {"dl-short"},
         {kDownloadFailed},
         true},
        {"stalled download",
         [&] { Serve(R"({"file": "installer.bin", "stall": 5000})"); },
         {"dl-stall"},
         {kDownloadFailed},
         true},
        {"wrong hash",
         [&] {
             entry_.sha256 = Sha256Hex("something else");
             Serve();
         },
         {"dl-sha"},
         {kDownloadFailed},
         true},
        {"wrong size",
         [&] {
             entry_.size += 1;
             Serve();
         },
         {"dl-length"},
         {kDownloadFailed},
         true},
        {"download from another host",
         [&] { Serve(R"({"redirect": "https://other-host.test/m"})"); },
         {"bad-final-host", "dl-open"},
         {kDownloadFailed},
         true},
        {"unsigned installer", [&] { ServeStub(L"unsigned"); }, {"bad-signature\t3001"}, {kNotSigned}, true},
        {"re-signed installer", [&] { ServeStub(L"other"); }, {"bad-signature\t3003"}, {kNotSigned}, true},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        temp_.emplace();
        c.arrange();
        const FlowRun run = Run();
        EXPECT_EQ(run.log, c.log);
        EXPECT_EQ(Texts(run.boxes), c.boxes);
        EXPECT_EQ(run.closes, 0);
        EXPECT_EQ(run.progressShown, c.downloaded);
        EXPECT_EQ(StartedArgsFile(), L"");
        for (const std::wstring& folder : temp_->ScratchFolders())
            EXPECT_FALSE(Exists(folder + L"\\" + kInstallerName)) << "a refused installer stays on disk";
        EXPECT_EQ(
            std::count(run.requests.begin(), run.requests.end(), std::string("jkupd.test ") + kInstallerPath),
            c.downloaded ? 1 : 0);
        EXPECT_EQ(FindOwnWindow(L"JKUpdProgress"), nullptr);
    }
}

TEST_F(UpdFlow, CancelDuringTheDownloadEndsQuietly) {
    Serve(R"({"file": "installer.bin", "drip": [100000, 50]})");
    UpdTiming timing = FastTiming();
    timing.downloadReceiveTimeoutMs = 20000; // only Cancel ends this download
    bool pressed = false;
    const FlowRun run = Run(
        [&](const FakeMainWindow&) {
            const HWND window = FindOwnWindow(L"JKUpdProgress");
            const HWND status = window ? FindWindowExW(window, nullptr, L"Static", nullptr) : nullptr;
            if (pressed || !status || TextOf(status).rfind(L"Downloading the new version", 0) != 0)
                return;
            PostMessageW(GetDlgItem(window, 1779), BM_CLICK, 0, 0);
            pressed = true;
        },
        timing);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(run.log, std::vector<std::string>{"cancelled"});
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(FindOwnWindow(L"JKUpdProgress"), nullptr);
    for (const std::wstring& folder : temp_->ScratchFolders())
        EXPECT_FALSE(Exists(folder + L"\\" + kInstallerName)) << "the partial download stays on disk";
    EXPECT_EQ(ReadFileBytes(AttemptFile()), kEmptyRecord);
}

TEST_F(UpdFlow, FailedLaunchDoesNotCountAsAnAttempt) {
    const struct {
        DWORD error;
        std::wstring box;
    } cases[] = {
        {ERROR_CANCELLED,
         L"The update was canceled. You will be asked again the next time you start the program."},
        {ERROR_FILE_NOT_FOUND, L"Could not start the installer." + kWebsiteText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        temp_.emplace();
        const std::string old = AttemptText(entry_.sha256, "0.6.9", UnixNow() - 60, 1);
        ASSERT_TRUE(WriteFileBytes(AttemptFile(), old));
        Serve();
        Launches::failWith = c.error;
        UpdSystem().shellExecuteEx = Launches::Refuse;
        const FlowRun run = Run();
        EXPECT_EQ(run.log, std::vector<std::string>{"run-failed\t" + std::to_string(c.error)});
        EXPECT_EQ(Texts(run.boxes), std::vector<std::wstring>{c.box});
        EXPECT_EQ(ReadFileBytes(AttemptFile()), old);
        EXPECT_EQ(run.closes, 0);
    }
}

TEST_F(UpdFlow, LoopGuardSpeaksOncePerSeriesAndASeriesEndsAfterADay) {
    Serve();
    const std::int64_t firstTime = UnixNow() - 3600;
    ASSERT_TRUE(WriteFileBytes(AttemptFile(), AttemptText(entry_.sha256, "0.6.9", firstTime, 2)));
    FlowRun run = Run();
    EXPECT_EQ(run.log, std::vector<std::string>{"loop-guard"});
    EXPECT_EQ(Texts(run.boxes),
              std::vector<std::wstring>{L"The automatic update could not be completed." + kWebsiteText});
    EXPECT_EQ(ReadFileBytes(AttemptFile()), AttemptText(entry_.sha256, "0.6.9", firstTime, 3));

    temp_.emplace();
    Serve();
    run = Run();
    EXPECT_EQ(run.log, std::vector<std::string>{"loop-guard"});
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.requests.size(), 1u);

    // A day later the same target is tried again, as the first attempt of a new series.
    temp_.emplace();
    Serve();
    ASSERT_TRUE(WriteFileBytes(AttemptFile(), AttemptText(entry_.sha256, "0.6.9", UnixNow() - 86401, 3)));
    std::string recordAtHandOff;
    run = Run([&](const FakeMainWindow&) {
        const std::wstring args = StartedArgsFile();
        if (args.empty() || !recordAtHandOff.empty())
            return;
        recordAtHandOff = ReadFileBytes(AttemptFile()).value_or("?");
        WriteFileBytes(args.substr(0, args.size() - 9) + L".release", "");
    });
    EXPECT_EQ(recordAtHandOff.substr(recordAtHandOff.size() - 3), "\t1\n") << recordAtHandOff;
    EXPECT_EQ(run.log, (std::vector<std::string>{"handed-off", "installer-ended-first\t7"}));
}

TEST_F(UpdFlow, SecondAttemptOfASeriesKeepsItsStart) {
    Serve();
    const std::int64_t firstTime = UnixNow() - 7200;
    ASSERT_TRUE(WriteFileBytes(AttemptFile(), AttemptText(entry_.sha256, "0.6.9", firstTime, 1)));
    std::string recordAtHandOff;
    Run([&](const FakeMainWindow&) {
        const std::wstring args = StartedArgsFile();
        if (args.empty() || !recordAtHandOff.empty())
            return;
        recordAtHandOff = ReadFileBytes(AttemptFile()).value_or("?");
        WriteFileBytes(args.substr(0, args.size() - 9) + L".release", "");
    });
    EXPECT_EQ(recordAtHandOff, AttemptText(entry_.sha256, "0.6.9", firstTime, 2));
}

TEST_F(UpdFlow, InstallerLeftByAnEarlierRunIsReused) {
    const std::wstring folder = temp_->Path() + L"\\jkpc-upd-00000000000a";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\" + kInstallerName, installer_));
    Serve();
    const FlowRun run = Run([&](const FakeMainWindow&) {
        const std::wstring args = StartedArgsFile();
        if (!args.empty())
            WriteFileBytes(args.substr(0, args.size() - 9) + L".release", "");
    });
    EXPECT_EQ(run.log, (std::vector<std::string>{"reuse-cached", "handed-off", "installer-ended-first\t7"}));
    EXPECT_EQ(run.requests.size(), 1u) << "nothing downloaded";
    EXPECT_EQ(temp_->ScratchFolders(), std::vector<std::wstring>{folder});
}

TEST_F(UpdFlow, BusyPlayerDelaysTheUpdate) {
    entry_.latest = "0.6.9";
    Serve(R"({"status": 404})");
    const FlowRun run = Run({}, FastTiming(), IDNO, {1, 1, 0});
    EXPECT_EQ(run.busyQuestions, 3);
    EXPECT_EQ(run.log, (std::vector<std::string>{"wait-idle", "dl-open"}));
}

TEST_F(UpdFlow, NewVersionIsAnnouncedOnceAfterAnUpdate) {
    entry_.latest = "0.6.8";
    Serve();
    ASSERT_TRUE(WriteFileBytes(LastVersionFile(), "0.6.7\r\n"));
    FlowRun run = Run();
    EXPECT_EQ(run.log, (std::vector<std::string>{"updated\t0.6.7->0.6.8", "up-to-date"}));
    EXPECT_EQ(Texts(run.boxes),
              std::vector<std::wstring>{L"Jaskel Player has been updated to 0.6.8.\nPrevious "
                                        L"version: 0.6.7"});
    EXPECT_EQ(ReadFileBytes(LastVersionFile()), "0.6.8\n");

    temp_.emplace();
    Serve();
    run = Run();
    EXPECT_EQ(run.log, std::vector<std::string>{"up-to-date"});
    EXPECT_TRUE(run.boxes.empty());

    temp_.emplace();
    Serve();
    DeleteFileW(LastVersionFile().c_str());
    run = Run();
    EXPECT_TRUE(run.boxes.empty()) << "a first run says nothing";
    EXPECT_EQ(ReadFileBytes(LastVersionFile()), "0.6.8\n");
}

} // namespace
