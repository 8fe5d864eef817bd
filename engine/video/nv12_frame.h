#pragma once
// Where a decoded NV12 frame's planes are and which part of it is shown. The sample grabber hands
// over one buffer per frame: a luma plane of stride S and height H, then the interleaved chroma
// plane (U, V pairs) of stride S and height H / 2. S and H are inferred from the buffer size,
// because the decoder pads the coded frame in ways the media type does not tell.
#include <cstddef>
#include <cstdint>
#include <optional>

struct Aperture {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct Nv12Layout {
    std::size_t stride = 0;     // S
    std::size_t height = 0;     // H
    std::size_t lumaSize = 0;   // L = S * H, where the chroma plane begins
};

inline constexpr std::size_t kMaxStridePadding = 256;
inline constexpr int kMaxHeightPadding = 64;

// The layout of a buffer of the given size holding a frame that shows the aperture, or nullopt
// when no layout fits or the aperture would reach outside the buffer.
std::optional<Nv12Layout> InferNv12Layout(std::size_t bufferSize, const Aperture& aperture);

// The aperture the sink converts, from what the stream's media type tells: the coded frame size
// (nullopt when unknown) and the minimum display aperture (nullopt when absent). Unknown sizes
// fall back to a 1920 x 1088 frame.
struct CodedSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
Aperture ApertureFromMediaType(const std::optional<CodedSize>& coded, const std::optional<Aperture>& displayArea);

// BT.709 for HD apertures (720 lines and more), BT.601 below.
inline bool UsesBt709(const Aperture& aperture) { return aperture.height >= 720; }
