#include "update/updater_win.h"

#include <objbase.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <atomic>
#include <optional>

#include "base/no_throw.h"
#include "base/program_folder_win.h"
#include "base/utf.h"
#include "base/wide_win.h"
#include "diag/ui_text_win.h"
#include "i18n/i18n_win.h"
#include "update/attempt_record.h"
#include "update/download_win.h"
#include "update/endpoint.h"
#include "update/file_handle_win.h"
#include "update/http_win.h"
#include "update/installer_check_win.h"
#include "update/scratch_win.h"
#include "update/upd_files_win.h"
#include "update/upd_log.h"
#include "update/upd_log_win.h"
#include "update/upd_messages_win.h"
#include "update/upd_system_win.h"
#include "update/updater_rules.h"

namespace {

constexpr DWORD kRegistryTextBytes = 128;
constexpr ULONGLONG kVerifyPumpMs = 50;
constexpr ULONGLONG kPromptPumpMs = 400;
constexpr ULONGLONG kInstallingPumpMs = 300;

bool EnvironmentVariableExists(const wchar_t* name) {
    SetLastError(ERROR_SUCCESS);
    return GetEnvironmentVariableW(name, nullptr, 0) > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

bool FileExists(const std::u16string& path) {
    return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> RegistryText(HKEY key, const wchar_t* name) {
    constexpr DWORD kChars = kRegistryTextBytes / sizeof(wchar_t);
    wchar_t text[kChars + 1] = {}; // one more for a terminator the stored value may lack
    DWORD type = 0;
    DWORD size = kRegistryTextBytes;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    const DWORD chars = size / sizeof(wchar_t);
    if (chars == kChars && text[kChars - 1] != L'\0')
        return std::nullopt; // 64 characters or more
    return Utf8FromWide(text);
}

// Decodes the compiled public key the way the platform does; false unless exactly 32 bytes.
bool DecodePublicKey(UpdPublicKey& key) {
    const std::string_view text = CompiledUpdEndpoint().publicKeyBase64;
    BYTE bytes[64];
    DWORD size = sizeof bytes;
    if (!CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, bytes, &size,
                              nullptr, nullptr) ||
        size != key.size())
        return false;
    std::copy(bytes, bytes + size, key.begin());
    return true;
}

std::u16string FolderOf(const std::u16string& path) {
    const size_t slash = path.find_last_of(u'\\');
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

std::u16string Catalog(const wchar_t* source) {
    return U16(I18nText(source));
}

} // namespace

bool MachineRefusesTarget(const UpdManifestEntry& entry, std::string_view app) {
    const std::wstring path = L"Software\\Jaskel\\" + WideFromUtf8(std::string(app).c_str()) + L"\\Update";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    const std::optional<std::string> lastResult = RegistryText(key, L"LastResult");
    const std::optional<std::string> lastTarget = RegistryText(key, L"LastTarget");
    RegCloseKey(key);
    return MachineVerdictRefuses(lastResult, lastTarget, entry.latest);
}

void AnnounceUpdated(const UpdParams& params, const std::u16string& dataFolder) {
    if (dataFolder.empty())
        return;
    const std::u16string path = dataFolder + u"\\" + std::u16string(kUpdLastVersionFileName);
    const std::string old = ReadUpdFile(path, kUpdLastVersionReadLimit).value_or(std::string());
    const UpdAnnouncement announcement = DecideAnnouncement(old, params.version);
    if (announcement.newFileText)
        WriteUpdFile(path, *announcement.newFileText);
    if (!announcement.show)
        return;
    UpdLog(upd_word::kUpdated, announcement.logDetail);
    const std::wstring version = WideFromUtf8(params.version.c_str());
    const std::wstring previous = WideFromUtf8(announcement.previousVersion.c_str());
    const std::wstring text = I18nFormat(L"%ls이(가) %ls(으)로 업데이트되었습니다.\n이전 버전: %ls",
                                         Wide(params.title), version.c_str(), previous.c_str());
    ShowUiMessageBox(params.mainWindow, U16(text.c_str()), params.title, MB_ICONINFORMATION);
}

namespace {

// One run of the updater thread; each step returns false when the run ends there.
class UpdaterRun {
  public:
    explicit UpdaterRun(const UpdParams& params) : params_(params) {
        if (params_.title.empty())
            params_.title = u"Jaskel";
    }

    void Run() {
        Sleep(params_.timing.firstWaitMs);
        dataFolder_ = UpdDataFolder(params_.app);
        AnnounceUpdated(params_, dataFolder_);
        Sleep(params_.timing.secondWaitMs);
        if (!CheckManifest() || !Decide() || !PersistenceTest())
            return;
        WaitPlayerIdle(params_.mainWindow, nullptr, params_.timing.busyPauseMs);
        ShowUpdProgress(params_.title, decision_ == UpdDecision::UpdateRequired);
        if (!ObtainInstaller())
            return;
        RemoveStaleScratchDirs(FolderOf(installer_));
        SetUpdProgressText(Catalog(L"새 버전의 서명을 확인하는 중…"));
        PumpMessagesFor(kVerifyPumpMs);
        UpdHandle lock = LockAndVerifyInstaller(installer_, entry_, params_.title);
        if (!lock || !StillWanted() || !RecordAttempt())
            return;
        HandOff(std::move(lock));
    }

  private:
    std::u16string AttemptPath() const {
        return dataFolder_.empty() ? std::u16string()
                                   : dataFolder_ + u"\\" + std::u16string(kUpdAttemptFileName);
    }

    bool CheckManifest() {
        std::string text;
        if (!FetchUpdManifest(text)) {
            UpdLog(upd_word::kNoManifest);
            return false;
        }
        UpdPublicKey key;
        if (!DecodePublicKey(key)) {
            UpdLog(upd_word::kBadPubkey);
            return false;
        }
        const UpdManifestResult result = ParseUpdManifest(text, key, params_.app, entry_);
        if (result != UpdManifestResult::Ok) {
            UpdLog(UpdResultName(result));
            return false;
        }
        return true;
    }

    bool Decide() {
        if (!dataFolder_.empty())
            record_ = ParseUpdAttemptRecord(
                ReadUpdFile(AttemptPath(), kUpdAttemptReadLimit).value_or(std::string()));
        decision_ = DecideUpdate(entry_, params_.version, record_, UpdUnixNow());
        if (decision_ == UpdDecision::UpToDate) {
            UpdLog(upd_word::kUpToDate);
            return false;
        }
        if (decision_ == UpdDecision::LoopGuard) {
            UpdLog(upd_word::kLoopGuard);
            if (const auto escalated = LoopGuardEscalation(record_)) {
                WriteRecord(*escalated);
                ShowUpdFallback(params_.title, Catalog(L"자동 업데이트를 마치지 못했습니다."));
            }
            return false;
        }
        if (MachineRefusesTarget(entry_, params_.app)) {
            UpdLog(upd_word::kMachineRefuse);
            return false;
        }
        return true;
    }

    // Written and read back exactly, or false. Without a data folder nothing can persist.
    bool WriteRecord(const UpdAttemptRecord& record) {
        if (dataFolder_.empty())
            return false;
        const std::string text = FormatUpdAttemptRecord(record);
        const bool written = WriteUpdFile(AttemptPath(), text);
        return PersistenceHolds(written, ReadUpdFile(AttemptPath(), kUpdAttemptReadLimit), text);
    }

    // An update whose attempt cannot be recorded could loop for ever, so it is not begun.
    bool PersistenceTest() {
        if (WriteRecord(record_))
            return true;
        UpdLog(upd_word::kNoPersist);
        return false;
    }

    bool ObtainInstaller() {
        const std::u16string fileName = Utf8ToUtf16(InstallerFileName(entry_.key));
        installer_ = FindCachedInstaller(fileName, entry_);
        if (!installer_.empty()) {
            UpdLog(upd_word::kReuseCached);
            return true;
        }
        const std::u16string folder = MakeScratchDir();
        if (folder.empty()) {
            UpdLog(upd_word::kNoDir);
            ShowUpdFallback(params_.title, Catalog(L"다운로드 폴더를 만들 수 없습니다."));
            return false;
        }
        installer_ = folder + u"\\" + fileName;
        return Download();
    }

    bool Download() {
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_USER, WM_USER,
                     PM_NOREMOVE); // the thread needs a queue for WM_UPD_DONE
        UpdDownloadJob job;
        job.updaterThreadId = GetCurrentThreadId();
        job.key = entry_.key;
        job.sha256 = entry_.sha256;
        job.size = entry_.size;
        job.destPath = installer_;
        job.receiveTimeoutMs = params_.timing.downloadReceiveTimeoutMs;
        UpdHandle thread(CreateThread(nullptr, 0, RunUpdDownload, &job, 0, nullptr));
        if (!thread) {
            UpdLog(upd_word::kNoThread);
            CloseUpdProgress();
            return false;
        }
        const bool done = WaitForDownload();
        WaitForSingleObject(thread.Get(), INFINITE); // the job lives until the thread has ended
        if (done && job.error.empty())
            return true;
        if (!done)
            return false; // the process is ending
        UpdLog(job.error);
        if (job.error == upd_word::kCancelled)
            CloseUpdProgress();
        else
            ShowUpdFallback(
                params_.title,
                Catalog(L"새 버전을 내려받지 못했습니다(연결이 끊겼거나 파일이 완전하지 않습니다)."));
        return false;
    }

    // True when WM_UPD_DONE arrived; false on WM_QUIT, after asking the download to stop.
    bool WaitForDownload() {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd == nullptr && msg.message == WM_UPD_DONE)
                return true;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        UpdCancelFlag.exchange(true);
        return false;
    }

    bool StillWanted() {
        if (!UpdCancelFlag.load())
            return true;
        UpdLog(upd_word::kCancelled);
        CloseUpdProgress();
        return false;
    }

    bool RecordAttempt() {
        WaitPlayerIdle(params_.mainWindow, UpdProgressWindow(), params_.timing.busyPauseMs);
        if (WriteRecord(NewAttemptRecord(record_, entry_, UpdUnixNow())))
            return true;
        UpdLog(upd_word::kNoPersist);
        CloseUpdProgress();
        return false;
    }

    void HandOff(UpdHandle lock) {
        SetUpdProgressText(Catalog(L"권한 확인 창이 나타납니다. \"예\"를 누르면 설치가 시작됩니다."));
        HideUpdCancel();
        PumpMessagesFor(kPromptPumpMs);
        SHELLEXECUTEINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
        info.hwnd = UpdProgressWindow();
        info.lpVerb = L"runas";
        info.lpFile = Wide(installer_);
        info.lpParameters = L"/AUTO";
        info.nShow = SW_SHOWNORMAL;
        const BOOL launched = UpdSystem().shellExecuteEx(&info);
        const DWORD error = launched ? ERROR_SUCCESS : GetLastError();
        lock.Close();
        if (!launched)
            return LaunchFailed(error);
        UpdHandle installer(info.hProcess);
        UpdLog(upd_word::kHandedOff);
        SetUpdProgressText(Catalog(L"설치하는 중… 끝나면 프로그램이 다시 열립니다."));
        SetUpdProgressInstalling();
        PumpMessagesFor(kInstallingPumpMs);
        if (IsWindow(params_.mainWindow))
            PostMessageW(params_.mainWindow, WM_CLOSE, 0, 0);
        WaitForInstaller(installer);
    }

    void LaunchFailed(DWORD error) {
        UpdLog(upd_word::kRunFailed, std::to_string(error));
        WriteRecord(record_); // the attempt does not count
        if (error != ERROR_CANCELLED)
            return ShowUpdFallback(params_.title, Catalog(L"설치 프로그램을 시작할 수 없습니다."));
        CloseUpdProgress();
        ShowUiMessageBox(nullptr,
                         Catalog(L"업데이트를 취소했습니다. 다음에 프로그램을 시작할 때 다시 묻습니다."),
                         params_.title, MB_TOPMOST | MB_ICONINFORMATION);
    }

    // The player normally closes first and ends this thread with the process.
    void WaitForInstaller(UpdHandle& installer) {
        if (!installer)
            return;
        const HANDLE process = installer.Get();
        for (;;) {
            const DWORD wait = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
            if (wait == WAIT_OBJECT_0)
                return InstallerEndedFirst(installer);
            if (wait != WAIT_OBJECT_0 + 1 || !DispatchWaiting())
                return;
        }
    }

    // False when WM_QUIT came.
    bool DispatchWaiting() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return false;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return true;
    }

    void InstallerEndedFirst(UpdHandle& installer) {
        DWORD code = 0;
        GetExitCodeProcess(installer.Get(), &code);
        UpdLog(upd_word::kInstallerEndedFirst, std::to_string(code));
        WriteRecord(record_);
        installer.Close();
        CloseUpdProgress();
    }

    UpdParams params_;
    std::u16string dataFolder_;
    UpdManifestEntry entry_;
    UpdAttemptRecord record_;
    UpdDecision decision_ = UpdDecision::UpToDate;
    std::u16string installer_;
};

} // namespace

DWORD WINAPI UpdaterThread(LPVOID parameter) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    CallNoThrow(0, [&] {
        SetUpdLogApp(static_cast<const UpdParams*>(parameter)->app);
        UpdaterRun(*static_cast<const UpdParams*>(parameter)).Run();
        return 0;
    });
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

bool StartUpdater(const UpdParams& params, const std::vector<std::u16string>& args) {
    static std::atomic<bool> started{false};
    if (started.exchange(true))
        return false;
    UpdStartConditions conditions;
    conditions.app = params.app;
    conditions.hasVersion = !params.version.empty();
    conditions.args = args;
    conditions.noUpdateVariable = EnvironmentVariableExists(L"JK_NOUPDATE");
    conditions.devTreeMarker = FileExists(ProgramFolder() + u"\\" + std::u16string(kUpdDevTreeMarker));
    if (!UpdaterMayStart(conditions))
        return false;
    auto* kept = new UpdParams(params); // lives until the process ends, like the thread
    UpdHandle thread(CreateThread(nullptr, 0, UpdaterThread, kept, 0, nullptr));
    return static_cast<bool>(thread);
}
