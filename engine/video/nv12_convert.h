#pragma once
// NV12 -> 32-bit BGRA (B, G, R, 255 per pixel, rows top-down) for the frame's display aperture,
// with the limited-range BT.601 or BT.709 integer matrices. The vector versions give exactly the
// bytes of the plain reference for every width, offset and content.
#include <cstddef>
#include <cstdint>

#include "engine/video/nv12_frame.h"

struct Nv12Source {
    const std::uint8_t* data = nullptr; // the whole buffer
    Nv12Layout layout;
    Aperture aperture;
    bool bt709 = true;
};

enum class ConvertKernel { Scalar, Sse2, Avx2, Avx512 };

// How the picture is written. Streaming stores go around the caches, which pays for a picture
// that would not stay in them until it is painted anyway; Auto streams pictures of at least
// kStreamingPictureBytes.
enum class PictureStores { Auto, Cached, Streaming };

// Measured on the machines we build on: a 4K picture (33 MB) is written about a fifth faster
// streaming, a 1080p one (8 MB) faster through the caches.
inline constexpr std::size_t kStreamingPictureBytes = 16 << 20;

// dst holds aperture.width * aperture.height * 4 bytes.
void ConvertNv12ToBgra(const Nv12Source& src, std::uint8_t* dst);

// The same with a chosen kernel (tests and benchmarks); a kernel the CPU lacks falls back.
void ConvertNv12ToBgraWith(ConvertKernel kernel, const Nv12Source& src, std::uint8_t* dst,
                           PictureStores stores = PictureStores::Auto);

// The best kernel this CPU runs.
ConvertKernel BestConvertKernel();

// Whether this CPU runs the kernel itself rather than a fallback.
bool ConvertKernelRuns(ConvertKernel kernel);

const char* ConvertKernelName(ConvertKernel kernel);
