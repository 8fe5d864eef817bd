#pragma once
// The updater's small record files and the folder that holds them.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// LocalAppData\Jaskel\APP, both folders created when missing; empty when it cannot be had.
std::u16string UpdDataFolder(std::string_view app);

// At most limit bytes from the start of the file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadUpdFile(const std::u16string& path, std::size_t limit);

// Creates or replaces the file with the bytes, flushed; false on any failure.
bool WriteUpdFile(const std::u16string& path, std::string_view bytes);
