#include "engine/video/letterbox.h"

#include <cmath>

LetterboxRect ComputeLetterbox(int windowWidth, int windowHeight, int frameWidth, int frameHeight) {
    if (windowWidth <= 0 || windowHeight <= 0 || frameWidth <= 0 || frameHeight <= 0)
        return {};
    const double aspect = static_cast<double>(frameWidth) / frameHeight;
    int width = windowWidth;
    int height = windowHeight;
    if (static_cast<double>(windowWidth) / windowHeight > aspect)
        width = static_cast<int>(std::floor(windowHeight * aspect + 0.5));
    else
        height = static_cast<int>(std::floor(windowWidth / aspect + 0.5));
    return {(windowWidth - width) / 2, (windowHeight - height) / 2, width, height};
}
