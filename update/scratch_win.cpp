#include "update/scratch_win.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstdint>
#include <functional>

#include "base/wide_win.h"
#include "update/file_handle_win.h"
#include "update/installer_rules.h"
#include "update/sha256_win.h"
#include "update/upd_log_win.h"

namespace {

constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL;

class FindHandle {
  public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

bool IsDirectory(const WIN32_FIND_DATAW& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
bool IsReparsePoint(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Calls visit for every entry matching pattern, in the order the file system gives them, until
// visit returns false.
void ForEachEntry(const std::u16string& pattern, const std::function<bool(const WIN32_FIND_DATAW&)>& visit) {
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(Wide(pattern), &data));
    if (!find.Valid())
        return;
    do {
        if (!visit(data))
            return;
    } while (FindNextFileW(find.Get(), &data));
}

std::int64_t UnixSeconds(const FILETIME& time) {
    const std::int64_t ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return (ticks - kUnixEpochIn100ns) / 10000000;
}

bool SamePath(const std::u16string& a, const std::u16string& b) {
    return CompareStringOrdinal(Wide(a), static_cast<int>(a.size()), Wide(b), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// The folder is opened without following a reparse point and held without delete sharing, so it
// cannot be swapped for a junction while its files are deleted.
void EmptyAndRemove(const std::u16string& folder) {
    UpdHandle handle(CreateFileW(Wide(folder), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle || !GetFileInformationByHandle(handle.Get(), &info) ||
        IsReparsePoint(info.dwFileAttributes) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return;
    ForEachEntry(folder + u"\\*", [&](const WIN32_FIND_DATAW& data) {
        if (!IsDirectory(data) && !IsReparsePoint(data.dwFileAttributes))
            DeleteFileW(Wide(folder + u"\\" + U16(data.cFileName)));
        return true;
    });
    handle.Close();
    RemoveDirectoryW(Wide(folder));
}

} // namespace

std::u16string MakeScratchDir() {
    const std::u16string temp = UpdTempFolder();
    for (int i = 0; i < kUpdScratchTries; ++i) {
        std::uint8_t random[6];
        if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
            return {};
        const std::u16string folder = temp + u"\\" + UpdScratchDirName(random);
        if (CreateDirectoryW(Wide(folder), nullptr))
            return folder;
    }
    return {};
}

std::u16string FindCachedInstaller(const std::u16string& fileName, const UpdManifestEntry& entry) {
    const std::u16string temp = UpdTempFolder();
    std::u16string found;
    ForEachEntry(temp + u"\\" + std::u16string(kUpdScratchPrefix) + u"*", [&](const WIN32_FIND_DATAW& data) {
        if (!IsDirectory(data))
            return true;
        const std::u16string candidate = temp + u"\\" + U16(data.cFileName) + u"\\" + fileName;
        std::string hex;
        std::int64_t length = 0;
        if (Sha256OfFile(candidate, hex, length) && UpdInstallerMatches(hex, length, entry))
            found = candidate;
        return found.empty();
    });
    return found;
}

void RemoveStaleScratchDirs(const std::u16string& folderToKeep) {
    const std::u16string temp = UpdTempFolder();
    const std::int64_t now = UpdUnixNow();
    ForEachEntry(temp + u"\\" + std::u16string(kUpdScratchPrefix) + u"*", [&](const WIN32_FIND_DATAW& data) {
        const std::u16string name = U16(data.cFileName);
        const std::u16string folder = temp + u"\\" + name;
        if (!IsDirectory(data) || IsReparsePoint(data.dwFileAttributes) || !IsUpdScratchDirName(name) ||
            SamePath(folder, folderToKeep) || !UpdScratchDirIsStale(now, UnixSeconds(data.ftLastWriteTime)))
            return true;
        EmptyAndRemove(folder);
        return true;
    });
}
