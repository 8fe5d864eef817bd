#pragma once
// What the Open dialog returns for a multiple selection: NUL-separated strings, ending with an
// empty one. One string is the chosen path; otherwise the first is the folder and each further
// string a file name in it.
#include <string>
#include <string_view>
#include <vector>

std::vector<std::u16string> OpenDialogPaths(std::u16string_view buffer);
