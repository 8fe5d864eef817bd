#include "engine/video/nv12_frame.h"

namespace {

bool StrideFits(std::size_t luma, std::size_t height, std::size_t width) {
    if (height == 0 || luma % height != 0)
        return false;
    const std::size_t stride = luma / height;
    return stride >= width && stride <= width + kMaxStridePadding;
}

std::optional<std::size_t> InferHeight(std::size_t luma, const Aperture& a) {
    const std::size_t w = static_cast<std::size_t>(a.width);
    const std::size_t h = static_cast<std::size_t>(a.height);
    const std::size_t rounded = (h + 15) / 16 * 16;
    if (StrideFits(luma, rounded, w))
        return rounded;
    for (std::size_t height = h; height <= h + kMaxHeightPadding; ++height) {
        if (StrideFits(luma, height, w))
            return height;
    }
    return std::nullopt;
}

// Both planes must hold the aperture's last pixel, computed without overflow.
bool ApertureInside(std::size_t size, const Nv12Layout& l, const Aperture& a) {
    const std::size_t x = static_cast<std::size_t>(a.x), y = static_cast<std::size_t>(a.y);
    const std::size_t w = static_cast<std::size_t>(a.width), h = static_cast<std::size_t>(a.height);
    if (l.stride < x + w || l.height < y + h)
        return false;
    const std::size_t lastLuma = l.stride * (y + h - 1) + (x + w - 1);
    const std::size_t lastChroma = l.lumaSize + l.stride * ((y + h - 1) / 2) + ((x + w - 1) | 1);
    return lastLuma < size && lastChroma < size;
}

} // namespace

std::optional<Nv12Layout> InferNv12Layout(std::size_t bufferSize, const Aperture& a) {
    if (a.width <= 0 || a.height <= 0 || a.x < 0 || a.y < 0 || bufferSize < 6)
        return std::nullopt;
    const std::size_t luma = bufferSize * 2 / 3;
    const auto height = InferHeight(luma, a);
    if (!height)
        return std::nullopt;
    const Nv12Layout layout{luma / *height, *height, luma};
    if (!ApertureInside(bufferSize, layout, a))
        return std::nullopt;
    return layout;
}

Aperture ApertureFromMediaType(const std::optional<CodedSize>& coded, const std::optional<Aperture>& displayArea) {
    const CodedSize size = coded.value_or(CodedSize{});
    Aperture aperture{0, 0, static_cast<int>(size.width), static_cast<int>(size.height)};
    if (displayArea && displayArea->width >= 1 && displayArea->height >= 1)
        aperture = *displayArea;
    if (size.width == 0 || size.height == 0) {
        if (aperture.width == 0 || aperture.height == 0)
            aperture = {0, 0, 1920, 1088};
    }
    return aperture;
}
