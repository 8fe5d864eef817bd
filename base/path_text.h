#pragma once
// Path text as the context-menu library and the registrar compare it: separators are "\" and "/",
// and nothing is normalised beyond what each function says.
#include <string>
#include <string_view>

// The text without any trailing "\" or "/".
std::u16string WithoutTrailingSeparators(std::u16string_view path);

// The part before the last "\" or "/"; empty when there is neither.
std::u16string FolderPart(std::u16string_view path);
