#include "playlist/playlist_state.h"

std::vector<std::u16string> playlist;
int currentIndex = -1;
