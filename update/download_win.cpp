#include "update/download_win.h"

#include <vector>

#include "base/no_throw.h"
#include "base/wide_win.h"
#include "update/file_handle_win.h"
#include "update/http_win.h"
#include "update/progress_win.h"
#include "update/sha256_win.h"
#include "update/upd_log.h"
#include "update/upd_messages_win.h"

namespace {

// One download: the request, the file and the running checks.
class Download {
  public:
    explicit Download(UpdDownloadJob& job)
        : job_(job), tally_(job.size), floor_(GetTickCount64(), job.receiveTimeoutMs),
          block_(kUpdBlockBytes) {}

    // nullptr on success, else the download word.
    const char* Run() {
        if (const char* word = Open())
            return word;
        const char* word = Loop();
        if (word != nullptr)
            Discard();
        return word;
    }

  private:
    const char* Open() {
        std::optional<std::string> contentLength;
        if (!OpenUpdRequest(http_, UpdDownloadRequestPath(job_.key), job_.receiveTimeoutMs, contentLength))
            return upd_word::kDlOpen;
        if (!UpdContentLengthAcceptable(contentLength, job_.size))
            return upd_word::kDlLength;
        file_ = UpdHandle(CreateFileW(Wide(job_.destPath), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        return file_ ? nullptr : upd_word::kDlCreate;
    }

    const char* Loop() {
        for (;;) {
            if (UpdCancelFlag.load())
                return upd_word::kCancelled;
            DWORD available = 0;
            if (!WinHttpQueryDataAvailable(http_.requestHandle, &available))
                return upd_word::kDlStall;
            if (available == 0)
                return Finish();
            if (const char* word = Step(available))
                return word;
        }
    }

    const char* Step(DWORD available) {
        DWORD got = 0;
        const DWORD wanted = available < block_.size() ? available : static_cast<DWORD>(block_.size());
        if (!WinHttpReadData(http_.requestHandle, block_.data(), wanted, &got) || got == 0)
            return upd_word::kDlRead;
        DWORD written = 0;
        if (!WriteFile(file_.Get(), block_.data(), got, &written, nullptr) || written != got)
            return upd_word::kDlWrite;
        hasher_.Update(block_.data(), got);
        if (!tally_.Add(got))
            return upd_word::kDlTooLong;
        const ULONGLONG now = GetTickCount64();
        if (pacer_.Due(now))
            Report();
        // A server that drips bytes never trips the receive time-out; the floor rate catches it.
        if (floor_.Stalled(now, tally_.Total()))
            return upd_word::kDlStall;
        return nullptr;
    }

    void Report() {
        PostThreadMessageW(job_.updaterThreadId, WM_NULL, 0, 0);
        if (HWND window = UpdProgressWindow())
            PostMessageW(window, WM_UPD_PROGRESS, static_cast<WPARAM>(tally_.Total() / 1024),
                         static_cast<LPARAM>(job_.size / 1024));
    }

    const char* Finish() {
        FlushFileBuffers(file_.Get());
        file_.Close();
        const char* word = tally_.EndWord(hasher_.FinishHex(), job_.sha256);
        if (word != nullptr)
            DeleteFileW(Wide(job_.destPath));
        return word;
    }

    // After a failure in the loop the partial file goes.
    void Discard() {
        if (!file_)
            return;
        FlushFileBuffers(file_.Get());
        file_.Close();
        DeleteFileW(Wide(job_.destPath));
    }

    UpdDownloadJob& job_;
    UpdHttpHandles http_;
    UpdHandle file_;
    Sha256Hasher hasher_;
    UpdDownloadTally tally_;
    UpdProgressPacer pacer_;
    UpdRateFloor floor_;
    std::vector<char> block_;
};

} // namespace

DWORD WINAPI RunUpdDownload(LPVOID parameter) {
    auto* job = static_cast<UpdDownloadJob*>(parameter);
    const char* word = CallNoThrow<const char*>(upd_word::kDlRead, [&] {
        Download download(*job);
        return download.Run();
    });
    job->error = word != nullptr ? word : "";
    PostThreadMessageW(job->updaterThreadId, WM_UPD_DONE, word == nullptr ? 1 : 0, 0);
    return 0;
}
