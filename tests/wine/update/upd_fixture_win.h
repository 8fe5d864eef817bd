#pragma once
// Helpers of the updater's Wine tests: the local update server's folder, signed manifests, the
// stub installers, a private temporary folder with the updater log, message boxes answered like a
// user would, and a stand-in for the player's main window. run_update_tests.sh provides the
// environment (JK_UPD_SITE, JK_UPD_STUBS, JK_UPD_SECRET_KEY).
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

inline constexpr char kUpdHost[] = "jkupd.test";
inline constexpr char kInstallerKey[] = "player/Jaskel Setup 0.6.9.exe";
inline constexpr char kInstallerPath[] = "/dl/player/Jaskel%20Setup%200.6.9.exe";

std::wstring RequiredEnvironment(const wchar_t* name);
std::optional<std::string> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool Exists(const std::wstring& path);
std::wstring WideOf(const std::string& utf8);
// SHA-256 by libsodium, independent of the updater's CNG hasher.
std::string Sha256Hex(const std::string& bytes);

// The server's folder: files it serves, the routes of the current case, the requests it saw.
class UpdSite {
  public:
    static UpdSite& Get();
    void Put(const std::string& name, const std::string& bytes) const;
    // routes.json for the next requests (replaced in one step).
    void Route(const std::string& json) const;
    // The "HOST PATH" lines since the last call.
    std::vector<std::string> TakeRequests() const;

  private:
    UpdSite();
    std::wstring folder_;
};

// The stub installers signed by run_update_tests.sh: publisher, other, twice, unsigned, tampered.
std::wstring StubPath(const wchar_t* name);
std::string StubBytes(const wchar_t* name);

struct EntrySpec {
    std::string latest = "0.6.9";
    std::string minSupported = "0.6.0";
    std::string key = kInstallerKey;
    std::string sha256;
    std::int64_t size = 0;
};
std::string ManifestBody(const EntrySpec& entry);
// "JKUPD1 " + signature by the test key + LF + body.
std::string SignedManifest(const std::string& body);

// A fresh temporary folder that TMP and TEMP name while the object lives, so the updater's log
// and scratch folders land there; removed afterwards without following reparse points.
class UpdTemp {
  public:
    UpdTemp();
    ~UpdTemp();
    UpdTemp(const UpdTemp&) = delete;
    UpdTemp& operator=(const UpdTemp&) = delete;
    const std::wstring& Path() const { return path_; }
    // Each log line as "WORD" or "WORD\tDETAIL" (time and app name checked and dropped).
    std::vector<std::string> LogWords() const;
    // Full paths of the "jkpc-upd-*" folders.
    std::vector<std::wstring> ScratchFolders() const;

  private:
    std::wstring path_;
    std::wstring oldTmp_;
    std::wstring oldTemp_;
};

void RemoveTree(const std::wstring& path);

// Message boxes of this process, read and answered as a user would.
struct ShownBox {
    std::wstring caption;
    std::wstring text;
};
class BoxAnswerer {
  public:
    explicit BoxAnswerer(int answer = IDNO) : answer_(answer) {}
    // Answers every box on screen now; call it while waiting.
    void Poll();
    const std::vector<ShownBox>& Shown() const { return shown_; }

  private:
    int answer_;
    std::vector<HWND> answered_;
    std::vector<ShownBox> shown_;
};

// The player's main window as the updater sees it: answers "Jaskel.JkUpd.Busy" from a script
// (then 0) and counts WM_CLOSE without closing.
class FakeMainWindow {
  public:
    explicit FakeMainWindow(std::deque<LRESULT> busyAnswers = {});
    ~FakeMainWindow();
    HWND Handle() const { return window_; }
    int Questions() const { return questions_; }
    int Closes() const { return closes_; }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
    std::deque<LRESULT> busyAnswers_;
    int questions_ = 0;
    int closes_ = 0;
};

// Pumps this thread's messages and answers boxes until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, BoxAnswerer* boxes = nullptr);

// The visible top-level window of this process with the class, if any.
HWND FindOwnWindow(const wchar_t* className);
std::wstring TextOf(HWND window);
