#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/webm/mapped_source.h"

MappedFileSource::MappedFileSource(const std::filesystem::path& path) {
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return;
    struct stat info {};
    if (fstat(file, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        const auto size = static_cast<std::size_t>(info.st_size);
        void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
        if (view != MAP_FAILED) {
            bytes_ = static_cast<const std::uint8_t*>(view);
            size_ = size;
        }
    }
    close(file); // the mapping keeps the file
}

MappedFileSource::~MappedFileSource() {
    if (bytes_ != nullptr)
        munmap(const_cast<std::uint8_t*>(bytes_), static_cast<std::size_t>(size_));
}
