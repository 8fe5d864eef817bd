#pragma once
// Where a frame goes in a window: as large as fits, aspect ratio kept, centred with black bars.

struct LetterboxRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const LetterboxRect&) const = default;
};

// Empty (all zero) when the window or the frame has no area.
LetterboxRect ComputeLetterbox(int windowWidth, int windowHeight, int frameWidth, int frameHeight);
