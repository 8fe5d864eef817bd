#pragma once
// The playlist panel's display rows, worked out from the item kinds alone so the rules run the
// same on Windows and in the portable tests.
#include <vector>

// A display row holds an item index, or one of these group headers.
inline constexpr int kVideosHeaderRow = -1;
inline constexpr int kMusicHeaderRow = -2;

inline constexpr int kPanelHeaderHeight = 34;
inline constexpr int kPanelRowHeight = 30;

// Index of the first display row shown under the header band; kept while the program runs.
extern int panelScroll;
void ResetPanelScroll();

// audioKinds[i] is true when item i is audio. The current item's group comes first (videos when
// nothing valid is current); a group without items has no header.
std::vector<int> BuildPanelRows(const std::vector<bool>& audioKinds, int currentIndex);
// The same for the live playlist.
std::vector<int> BuildPanelRows();

// The item index under client y, or -1 for the header band, a group header or empty space.
int PanelHitTest(const std::vector<int>& rows, int y, int scroll);
// One row per wheel message: down (delta <= 0) adds one, up subtracts one; kept within the rows.
int WheelScroll(int scroll, int wheelDelta, int rowCount);
// Top of display row r in client coordinates.
int PanelRowTop(int row, int scroll);
// The 1-based number of the item at display row r within its group.
int GroupNumber(const std::vector<int>& rows, int row);
// The number of item rows that follow the header at display row r, up to the next header.
int GroupSize(const std::vector<int>& rows, int row);
