#include "tests/wine/menu/menu_test_support_win.h"

#include <winioctl.h>

#include <regex>

#include "base/wide_win.h"

std::wstring BuiltShellLibrary() {
    return TestProgramFolder() + L"\\..\\..\\..\\shellext\\jaskel-player-win11.dll";
}
std::wstring BuiltRegistrar() {
    return TestProgramFolder() + L"\\..\\..\\..\\registrar\\menu-registrar.exe";
}
std::wstring BuiltMenuTestHelper() {
    return TestProgramFolder() + L"\\menu_test_helper.exe";
}

void WriteTextFile(const std::wstring& path, const char* text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(file);
}

std::vector<std::string> LogLines(const std::wstring& localAppData) {
    std::vector<std::string> lines;
    const auto text = ReadWholeFile(localAppData + L"\\Jaskel\\win11menu.log");
    if (!text)
        return lines;
    size_t start = 0;
    while (start < text->size()) {
        const size_t end = text->find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text->substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(text->substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

bool AllStamped(const std::vector<std::string>& lines) {
    static const std::regex stamp(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} \S.*$)");
    for (const auto& line : lines) {
        if (!std::regex_match(line, stamp))
            return false;
    }
    return !lines.empty();
}

std::vector<std::string> Messages(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines)
        out.push_back(line.size() > 20 ? line.substr(20) : line);
    return out;
}

namespace {

// The mount-point form of the file system's reparse data.
struct MountPointBuffer {
    DWORD tag;
    WORD dataLength;
    WORD reserved;
    WORD substituteOffset;
    WORD substituteLength;
    WORD printOffset;
    WORD printLength;
    wchar_t paths[1024];
};

} // namespace

bool MakeJunction(const std::wstring& link, const std::wstring& target) {
    if (!CreateDirectoryW(link.c_str(), nullptr))
        return false;
    HANDLE handle = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const std::wstring substitute = L"\\??\\" + target;
    MountPointBuffer buffer{};
    buffer.tag = IO_REPARSE_TAG_MOUNT_POINT;
    buffer.substituteLength = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
    buffer.printOffset = static_cast<WORD>(buffer.substituteLength + sizeof(wchar_t));
    buffer.printLength = static_cast<WORD>(target.size() * sizeof(wchar_t));
    wcscpy(buffer.paths, substitute.c_str());
    wcscpy(buffer.paths + substitute.size() + 1, target.c_str());
    buffer.dataLength = static_cast<WORD>(8 + buffer.printOffset + buffer.printLength + sizeof(wchar_t));
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, &buffer, buffer.dataLength + 8, nullptr,
                                    0, &returned, nullptr);
    const DWORD error = ok ? 0 : GetLastError();
    CloseHandle(handle);
    const DWORD attributes = GetFileAttributesW(link.c_str());
    SetLastError(error);
    return ok && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

namespace {

using UnixFileNameFn = char*(CDECL*)(const wchar_t*);

// Wine runs a Unix program started by CreateProcess natively, so /bin/ln makes the link.
bool MakeUnixSymlink(const std::wstring& link, const std::wstring& target) {
    const auto unixName = reinterpret_cast<UnixFileNameFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    const size_t cut = link.find_last_of(L'\\');
    if (!unixName || cut == std::wstring::npos)
        return false;
    char* targetPath = unixName(target.c_str());
    char* parentPath = unixName(link.substr(0, cut).c_str());
    bool started = false;
    if (targetPath && parentPath) {
        std::string command = std::string("Z:\\bin\\ln -s \"") + targetPath + "\" \"" + parentPath + "/" +
                              Utf8FromWide(link.substr(cut + 1).c_str()) + "\"";
        STARTUPINFOA si{sizeof si};
        PROCESS_INFORMATION pi{};
        started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        if (started) {
            WaitForSingleObject(pi.hProcess, 10000);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
    HeapFree(GetProcessHeap(), 0, targetPath);
    HeapFree(GetProcessHeap(), 0, parentPath);
    // The handle of a Unix process may signal before the program has finished; wait for the link.
    for (int i = 0; started && i < 100; ++i) {
        const DWORD attributes = GetFileAttributesW(link.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return true;
        Sleep(20);
    }
    return false;
}

} // namespace

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
    if (MakeJunction(link, target))
        return true;
    RemoveDirectoryW(link.c_str()); // the plain folder a failed junction leaves
    return MakeUnixSymlink(link, target);
}

void RemoveTree(const std::wstring& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring path = folder + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path);
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    RemoveDirectoryW(folder.c_str());
}
