#pragma once
// A ByteSource over an open Windows file handle (not owned): positioned reads from the file start.
#include <windows.h>

#include "engine/webm/byte_source.h"

class WinFileSource final : public ByteSource {
  public:
    explicit WinFileSource(HANDLE file) : file_(file) {}
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) &&
               ReadFile(file_, out, static_cast<DWORD>(n), &got, nullptr) && got == n;
    }
    std::uint64_t Size() override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(file_, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }

  private:
    HANDLE file_;
};

inline HANDLE OpenForScan(const wchar_t* path) {
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}
