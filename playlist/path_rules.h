#pragma once
// Path rules of the shell, reproduced for portable code: they must agree with the platform's
// PathFindExtensionW, PathRemoveFileSpecW and PathIsRelativeW (the Windows tests compare them).
#include <string>
#include <string_view>

// The extension as PathFindExtensionW finds it: from the last "." of the final component, where
// a backslash or a blank after the dot cancels it; empty when there is none.
std::u16string_view PathExtension(std::u16string_view path);

// The folder part as PathRemoveFileSpecW leaves it (C:\a\b.mp4 -> C:\a, C:\b.mp4 -> C:\);
// nullopt-like empty result when nothing could be removed is reported through removed.
std::u16string RemoveFileSpec(std::u16string_view path, bool& removed);

// PathIsRelativeW: not starting with a backslash and not with a drive letter and colon.
bool IsRelativePath(std::u16string_view path);

// folder + name with exactly one backslash between them (none added after a trailing one).
std::u16string JoinFolderAndName(std::u16string_view folder, std::u16string_view name);

// The extended-length form the file functions accept beyond MAX_PATH: C:\a -> \\?\C:\a,
// \\host\share\a -> \\?\UNC\host\share\a. The system does not tidy such paths, so only a full
// path in its tidy form is changed (backslashes only, no "." or ".." component, no empty
// component); anything else, relative or already prefixed paths included, is returned as it was.
std::u16string ExtendedLengthPath(std::u16string_view path);
