#include <windows.h>

#include "engine/webm/mapped_source.h"

namespace {

// Maps exactly size bytes: a read-only mapping cannot grow the file, so a file cut short since
// its size was taken is not mapped at all.
const std::uint8_t* MapBytes(HANDLE file, std::uint64_t size) {
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, static_cast<DWORD>(size >> 32),
                                        static_cast<DWORD>(size), nullptr);
    if (mapping == nullptr)
        return nullptr;
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(size));
    CloseHandle(mapping); // the view keeps the mapping
    return static_cast<const std::uint8_t*>(view);
}

} // namespace

// Shared as the scan shares the file: a recorder may still be writing it.
MappedFileSource::MappedFileSource(const std::filesystem::path& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        bytes_ = MapBytes(file, static_cast<std::uint64_t>(size.QuadPart));
        if (bytes_ != nullptr)
            size_ = static_cast<std::uint64_t>(size.QuadPart);
    }
    CloseHandle(file);
}

MappedFileSource::~MappedFileSource() {
    if (bytes_ != nullptr)
        UnmapViewOfFile(bytes_);
}
