#include "update/upd_files_win.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "base/utf.h"
#include "base/wide_win.h"
#include "update/file_handle_win.h"

namespace {

bool EnsureFolder(const std::u16string& folder) {
    if (CreateDirectoryW(Wide(folder), nullptr))
        return true;
    const DWORD attributes = GetFileAttributesW(Wide(folder));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::u16string LocalAppData() {
    PWSTR path = nullptr;
    std::u16string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path)))
        folder = U16(path);
    CoTaskMemFree(path);
    return folder;
}

} // namespace

std::u16string UpdDataFolder(std::string_view app) {
    const std::u16string base = LocalAppData();
    if (base.empty() || app.empty())
        return {};
    const std::u16string product = base + u"\\Jaskel";
    const std::u16string folder = product + u"\\" + Utf8ToUtf16(app);
    if (!EnsureFolder(product) || !EnsureFolder(folder))
        return {};
    return folder;
}

std::optional<std::string> ReadUpdFile(const std::u16string& path, std::size_t limit) {
    UpdHandle file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes(limit, '\0');
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(limit), &got, nullptr))
        return std::nullopt;
    bytes.resize(got);
    return bytes;
}

bool WriteUpdFile(const std::u16string& path, std::string_view bytes) {
    UpdHandle file(
        CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return ok && written == bytes.size() && FlushFileBuffers(file.Get());
}
