#include "ui/panel_rows.h"

#include <algorithm>

#include "playlist/media_types.h"
#include "playlist/playlist_state.h"

int panelScroll = 0;

void ResetPanelScroll() { panelScroll = 0; }

namespace {

void AppendGroup(std::vector<int>& rows, const std::vector<bool>& audioKinds, bool audio) {
    const int count = static_cast<int>(audioKinds.size());
    bool headed = false;
    for (int i = 0; i < count; ++i) {
        if (audioKinds[i] != audio)
            continue;
        if (!headed)
            rows.push_back(audio ? kMusicHeaderRow : kVideosHeaderRow);
        headed = true;
        rows.push_back(i);
    }
}

} // namespace

std::vector<int> BuildPanelRows(const std::vector<bool>& audioKinds, int currentIndex) {
    const bool currentValid = currentIndex >= 0 && currentIndex < static_cast<int>(audioKinds.size());
    const bool firstAudio = currentValid && audioKinds[currentIndex];
    std::vector<int> rows;
    AppendGroup(rows, audioKinds, firstAudio);
    AppendGroup(rows, audioKinds, !firstAudio);
    return rows;
}

std::vector<int> BuildPanelRows() {
    std::vector<bool> kinds;
    kinds.reserve(playlist.size());
    for (const auto& path : playlist)
        kinds.push_back(IsAudioItem(path));
    return BuildPanelRows(kinds, currentIndex);
}

int PanelHitTest(const std::vector<int>& rows, int y, int scroll) {
    if (y < kPanelHeaderHeight)
        return -1;
    const int row = (y - kPanelHeaderHeight) / kPanelRowHeight + scroll;
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return -1;
    return rows[row] >= 0 ? rows[row] : -1;
}

int WheelScroll(int scroll, int wheelDelta, int rowCount) {
    const int next = scroll + (wheelDelta <= 0 ? 1 : -1);
    return std::clamp(next, 0, std::max(rowCount - 1, 0));
}

int PanelRowTop(int row, int scroll) { return kPanelHeaderHeight + (row - scroll) * kPanelRowHeight; }

int GroupNumber(const std::vector<int>& rows, int row) {
    int number = 0;
    for (int r = row; r >= 0 && rows[r] >= 0; --r)
        ++number;
    return number;
}

int GroupSize(const std::vector<int>& rows, int row) {
    int size = 0;
    for (int r = row + 1; r < static_cast<int>(rows.size()) && rows[r] >= 0; ++r)
        ++size;
    return size;
}
