#include "base/program_folder_win.h"

#include "base/wide_win.h"

std::u16string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2); // long paths: the name was cut
    }
    const size_t slash = path.find_last_of(L"\\/");
    return U16(path.c_str(), slash == std::wstring::npos ? 0 : slash);
}
