#pragma once
// NV12 -> 32-bit BGRA (B, G, R, 255 per pixel, rows top-down) for the frame's display aperture,
// with the limited-range BT.601 or BT.709 integer matrices. The vector versions give exactly the
// bytes of the plain reference for every width, offset and content.
#include <cstdint>

#include "engine/video/nv12_frame.h"

struct Nv12Source {
    const std::uint8_t* data = nullptr; // the whole buffer
    Nv12Layout layout;
    Aperture aperture;
    bool bt709 = true;
};

enum class ConvertKernel { Scalar, Sse2, Avx2 };

// dst holds aperture.width * aperture.height * 4 bytes.
void ConvertNv12ToBgra(const Nv12Source& src, std::uint8_t* dst);

// The same with a chosen kernel (tests and benchmarks); a kernel the CPU lacks falls back.
void ConvertNv12ToBgraWith(ConvertKernel kernel, const Nv12Source& src, std::uint8_t* dst);

// The best kernel this CPU runs.
ConvertKernel BestConvertKernel();

const char* ConvertKernelName(ConvertKernel kernel);
