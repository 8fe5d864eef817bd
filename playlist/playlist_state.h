#pragma once
// The playlist: the ordered item paths and the current item (-1 none). User-interface thread only.
#include <string>
#include <vector>

extern std::vector<std::u16string> playlist;
extern int currentIndex;

inline bool CurrentIndexValid() { return currentIndex >= 0 && currentIndex < static_cast<int>(playlist.size()); }
