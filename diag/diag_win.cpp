#include "diag/diag_win.h"

#include <windows.h>

#include "base/wide_win.h"
#include "diag/texts_log.h"

namespace {

// Read once: the folder does not change while the process runs.
const std::u16string& DiagFolder() {
    static const std::u16string folder = [] {
        wchar_t buffer[MAX_PATH * 2];
        const DWORD n = GetEnvironmentVariableW(L"JK_DIAG_DIR", buffer, ARRAYSIZE(buffer));
        return (n > 0 && n < ARRAYSIZE(buffer)) ? U16(buffer, n) : std::u16string();
    }();
    return folder;
}

std::u16string DiagPath(const char16_t* name) {
    std::u16string path = DiagFolder();
    if (!path.empty() && path.back() != u'\\' && path.back() != u'/')
        path.push_back(u'\\');
    return path + name;
}

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

} // namespace

bool DiagEnabled() { return !DiagFolder().empty(); }

void DiagWriteStateText(const std::string& json) {
    if (!DiagEnabled())
        return;
    const std::u16string temporary = DiagPath(u"state.json.tmp");
    if (WriteWholeFile(temporary, json))
        MoveFileExW(Wide(temporary), Wide(DiagPath(u"state.json")), MOVEFILE_REPLACE_EXISTING);
}

void DiagNoteText(std::u16string_view windowClass, std::u16string_view text) {
    if (!DiagEnabled())
        return;
    const std::string line = FormatTextsLogLine(windowClass, text);
    HANDLE file = CreateFileW(Wide(DiagPath(u"texts.log")), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}
