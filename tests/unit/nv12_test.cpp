#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/video/letterbox.h"
#include "engine/video/nv12_convert.h"

namespace {

constexpr ConvertKernel kKernels[] = {ConvertKernel::Scalar, ConvertKernel::Sse2, ConvertKernel::Avx2,
                                      ConvertKernel::Avx512};
constexpr ConvertKernel kVectorKernels[] = {ConvertKernel::Sse2, ConvertKernel::Avx2, ConvertKernel::Avx512};

// An NV12 buffer with the given stride and coded height, every luma byte y and chroma pair (u, v).
std::vector<std::uint8_t> FlatFrame(size_t stride, size_t height, std::uint8_t y, std::uint8_t u,
                                    std::uint8_t v) {
    std::vector<std::uint8_t> buffer(stride * height * 3 / 2, y);
    for (size_t i = stride * height; i + 1 < buffer.size(); i += 2) {
        buffer[i] = u;
        buffer[i + 1] = v;
    }
    return buffer;
}

std::vector<std::uint8_t> Convert(ConvertKernel kernel, const std::vector<std::uint8_t>& buffer,
                                  const Aperture& a, bool bt709) {
    const auto layout = InferNv12Layout(buffer.size(), a);
    EXPECT_TRUE(layout.has_value());
    std::vector<std::uint8_t> out(static_cast<size_t>(a.width) * a.height * 4, 0x5A);
    if (layout)
        ConvertNv12ToBgraWith(kernel, Nv12Source{buffer.data(), *layout, a, bt709}, out.data());
    return out;
}

TEST(Nv12, BlackAndWhiteInBothMatrices) {
    const struct {
        std::uint8_t y;
        std::uint8_t expected;
    } cases[] = {{16, 0}, {235, 255}};
    for (const auto kernel : kKernels) {
        for (const bool bt709 : {false, true}) {
            for (const auto& c : cases) {
                const auto frame = FlatFrame(64, 16, c.y, 128, 128);
                const auto out = Convert(kernel, frame, {0, 0, 64, 16}, bt709);
                for (size_t i = 0; i < out.size(); i += 4) {
                    ASSERT_EQ(out[i], c.expected) << ConvertKernelName(kernel) << " bt709 " << bt709;
                    ASSERT_EQ(out[i + 1], c.expected);
                    ASSERT_EQ(out[i + 2], c.expected);
                    ASSERT_EQ(out[i + 3], 255);
                }
            }
        }
    }
}

TEST(Nv12, MatrixFollowsTheApertureHeight) {
    EXPECT_TRUE(UsesBt709({0, 0, 1280, 720}));
    EXPECT_FALSE(UsesBt709({0, 0, 1280, 719}));
}

// Limited-range Y'CbCr to R'G'B' worked out from each matrix's luma weights Kr and Kb, in real
// numbers: Y' = 255/219 (Y - 16), Cb = 255/224 (U - 128), Cr = 255/224 (V - 128),
// R = Y' + 2 (1 - Kr) Cr, B = Y' + 2 (1 - Kb) Cb, G = (Y' - Kr R - Kb B) / (1 - Kr - Kb).
std::array<double, 3> ReferenceBgr(int y, int u, int v, bool bt709) {
    const double kr = bt709 ? 0.2126 : 0.299;
    const double kb = bt709 ? 0.0722 : 0.114;
    const double luma = 255.0 / 219.0 * (y - 16);
    const double cb = 255.0 / 224.0 * (u - 128);
    const double cr = 255.0 / 224.0 * (v - 128);
    const double r = luma + 2 * (1 - kr) * cr;
    const double b = luma + 2 * (1 - kb) * cb;
    const double g = (luma - kr * r - kb * b) / (1 - kr - kb);
    return {b, g, r};
}

// The integer matrices round their coefficients to 1/256, so each channel may differ from the
// real-number result by at most one step; a wrong matrix or offset differs by far more.
TEST(Nv12, ColoursFollowTheMatrixFormulas) {
    const struct {
        const char* name;
        std::uint8_t y, u, v;
    } pixels[] = {
        {"mid grey", 126, 128, 128}, {"red", 81, 90, 240},        {"green", 145, 54, 34},
        {"blue", 41, 240, 110},      {"yellow", 210, 16, 146},    {"cyan", 170, 166, 16},
        {"magenta", 106, 202, 222},  {"dark skin", 90, 110, 150}, {"out of gamut", 235, 16, 240},
    };
    for (const auto kernel : kKernels) {
        for (const bool bt709 : {false, true}) {
            for (const auto& p : pixels) {
                const auto out = Convert(kernel, FlatFrame(32, 16, p.y, p.u, p.v), {0, 0, 32, 16}, bt709);
                const auto expected = ReferenceBgr(p.y, p.u, p.v, bt709);
                for (size_t i = 0; i < out.size(); i += 4) {
                    for (int c = 0; c < 3; ++c) {
                        const double want = std::clamp(expected[c], 0.0, 255.0);
                        ASSERT_LE(std::abs(out[i + c] - want), 1.0)
                            << ConvertKernelName(kernel) << (bt709 ? " BT.709 " : " BT.601 ") << p.name
                            << " channel "
                            << "BGR"[c] << " pixel " << i / 4;
                    }
                    ASSERT_EQ(out[i + 3], 255);
                }
            }
        }
    }
}

TEST(Nv12, StrideAndHeightInference) {
    const struct {
        const char* name;
        size_t stride;
        size_t codedHeight;
        Aperture aperture;
        std::optional<size_t> expectStride;
        std::optional<size_t> expectHeight;
    } cases[] = {
        {"1080p in a 1088-line buffer", 1920, 1088, {0, 0, 1920, 1080}, 1920, 1088},
        {"exact height, found by the search", 640, 360, {0, 0, 640, 360}, 640, 360},
        {"stride w + 256 accepted", 1920 + 256, 1088, {0, 0, 1920, 1080}, 2176, 1088},
        {"stride w + 257 dropped", 1920 + 257, 1088, {0, 0, 1920, 1080}, std::nullopt, std::nullopt},
        {"odd padding found by the search", 320, 250, {0, 0, 320, 240}, 320, 250},
        {"no height within 64 lines", 331, 320, {0, 0, 320, 240}, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const size_t size = c.stride * c.codedHeight * 3 / 2;
        const auto layout = InferNv12Layout(size, c.aperture);
        ASSERT_EQ(layout.has_value(), c.expectStride.has_value()) << c.name;
        if (layout) {
            EXPECT_EQ(layout->stride, *c.expectStride) << c.name;
            EXPECT_EQ(layout->height, *c.expectHeight) << c.name;
            EXPECT_EQ(layout->lumaSize, layout->stride * layout->height) << c.name;
        }
    }
}

TEST(Nv12, DropRules) {
    const size_t size = 64 * 32 * 3 / 2; // stride 64, 32 lines
    const struct {
        const char* name;
        size_t size;
        Aperture aperture;
    } dropped[] = {
        {"no width", size, {0, 0, 0, 32}},
        {"no height", size, {0, 0, 64, 0}},
        {"negative x", size, {-2, 0, 64, 32}},
        {"negative y", size, {0, -1, 64, 32}},
        {"buffer below 6 bytes", 5, {0, 0, 1, 1}},
        {"no layout fits", 1000003, {0, 0, 64, 32}},
        {"aperture past the stride", size, {8, 0, 64, 32}},
        {"aperture below the coded height", size, {0, 8, 64, 32}},
        {"huge aperture", size, {0, 0, 0x7FFFFFFF, 0x7FFFFFFF}},
        {"offset far outside", size, {0x7FFFFFF0, 0x7FFFFFF0, 16, 16}},
    };
    for (const auto& c : dropped)
        EXPECT_FALSE(InferNv12Layout(c.size, c.aperture).has_value()) << c.name;
    EXPECT_TRUE(InferNv12Layout(size, {0, 0, 64, 32}).has_value());
    EXPECT_TRUE(InferNv12Layout(size, {8, 8, 56, 24}).has_value());
}

// Whatever layout is accepted, converting it reads only inside the buffer: the buffer is an
// exact-size heap block, so AddressSanitizer reports any read past it.
TEST(Nv12, AcceptedLayoutsNeverReadOutside) {
    std::mt19937 random(7);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        const Aperture a{static_cast<int>(random() % 9), static_cast<int>(random() % 9),
                         1 + static_cast<int>(random() % 70), 1 + static_cast<int>(random() % 40)};
        const size_t size = 6 + random() % 9000;
        const auto layout = InferNv12Layout(size, a);
        if (!layout)
            continue;
        ++accepted;
        std::vector<std::uint8_t> exact(size, 100);
        std::vector<std::uint8_t> out(static_cast<size_t>(a.width) * a.height * 4);
        for (const auto kernel : kKernels)
            ConvertNv12ToBgraWith(kernel, Nv12Source{exact.data(), *layout, a, true}, out.data());
    }
    EXPECT_GT(accepted, 50);
}

TEST(Nv12, VectorKernelsEqualTheReference) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 400; ++round) {
        const int width = 1 + static_cast<int>(random() % 200);
        const int height = 1 + static_cast<int>(random() % 12);
        const int x = static_cast<int>(random() % 5);
        const int y = static_cast<int>(random() % 5);
        // The last chroma pair of a row must lie inside the stride.
        const size_t stride = static_cast<size_t>(((x + width - 1) | 1) + 1) + random() % 40;
        const size_t coded = static_cast<size_t>(y + height + 1) & ~size_t(1);
        std::vector<std::uint8_t> buffer(stride * coded * 3 / 2);
        for (auto& b : buffer)
            b = static_cast<std::uint8_t>(random());
        const Nv12Layout layout{stride, coded, stride * coded};
        const Aperture a{x, y, width, height};
        const bool bt709 = (round & 1) != 0;
        std::vector<std::uint8_t> reference(static_cast<size_t>(width) * height * 4);
        ConvertNv12ToBgraWith(ConvertKernel::Scalar, Nv12Source{buffer.data(), layout, a, bt709},
                              reference.data());
        for (const auto kernel : kVectorKernels) {
            std::vector<std::uint8_t> out(reference.size());
            ConvertNv12ToBgraWith(kernel, Nv12Source{buffer.data(), layout, a, bt709}, out.data());
            ASSERT_EQ(out, reference)
                << ConvertKernelName(kernel) << " w " << width << " x " << x << " y " << y;
        }
    }
}

// A kernel the CPU lacks falls back to a narrower one, so the tests of this file would pass
// without running it: this one says so.
TEST(Nv12, EveryKernelRunsOnThisCpu) {
    std::string missing;
    for (const auto kernel : kKernels) {
        if (!ConvertKernelRuns(kernel))
            missing += std::string(" ") + ConvertKernelName(kernel);
    }
    if (!missing.empty())
        GTEST_SKIP() << "this CPU lacks" << missing << "; the tests ran a narrower kernel in its place";
    EXPECT_EQ(BestConvertKernel(), ConvertKernel::Avx512) << "the widest kernel is chosen";
}

struct KernelRun {
    ConvertKernel kernel;
    PictureStores stores;
    std::size_t shift; // of the picture past a 64-byte boundary
};

// Every kernel through the caches, and streaming into pictures aligned, 16 bytes off (as the
// heap gives them), 8 bytes off (odd chroma pair: no streaming) and 4 bytes off.
std::vector<KernelRun> KernelRuns() {
    std::vector<KernelRun> runs;
    for (const auto kernel : kKernels) {
        runs.push_back({kernel, PictureStores::Cached, 16});
        for (const std::size_t shift : {0, 4, 8, 16, 48})
            runs.push_back({kernel, PictureStores::Streaming, shift});
    }
    return runs;
}

// An NV12 frame of random bytes in a heap block of exactly its size (AddressSanitizer sees any
// read past it), with the aperture at (x, y); spareColumns beyond the aperture's last chroma
// pair, and an aperture that ends on the last coded row when y + height is even.
struct RandomFrame {
    std::vector<std::uint8_t> buffer;
    Nv12Layout layout;
    Aperture aperture;

    RandomFrame(int width, int height, int x, int y, std::size_t spareColumns, std::mt19937& random) {
        const std::size_t stride = static_cast<std::size_t>(((x + width - 1) | 1) + 1) + spareColumns;
        const std::size_t coded = static_cast<std::size_t>(y + height + 1) & ~std::size_t{1};
        buffer.resize(stride * coded * 3 / 2);
        for (auto& b : buffer)
            b = static_cast<std::uint8_t>(random());
        layout = {stride, coded, stride * coded};
        aperture = {x, y, width, height};
    }
    Nv12Source Source(bool bt709) const { return {buffer.data(), layout, aperture, bt709}; }
    std::size_t OutputBytes() const { return static_cast<std::size_t>(aperture.width) * aperture.height * 4; }
};

// Every kernel gives the reference's bytes for odd sizes, odd offsets, the last columns and rows
// of the buffer and widths around each kernel's step, in both matrices, through the caches and
// streaming at pictures aligned every way (streaming stores need aligned rows: the kernels
// align them or write through the caches), and writes nothing outside the picture: guard bytes
// before and after it stay as they were.
TEST(Nv12, EveryKernelIsExactInsideItsGuards) {
    const struct {
        const char* name;
        int width, height, x, y;
        std::size_t spareColumns;
    } cases[] = {
        {"one pixel", 1, 1, 0, 0, 0},
        {"one pixel at an odd column and row", 1, 1, 3, 5, 2},
        {"two pixels from an odd column", 2, 2, 1, 1, 0},
        {"odd width below an SSE2 step", 15, 3, 0, 0, 1},
        {"odd width below an AVX2 step", 31, 3, 2, 1, 0},
        {"one past an AVX2 step, odd column", 33, 3, 1, 2, 5},
        {"odd width below an AVX-512 step", 63, 5, 2, 1, 3},
        {"an AVX-512 step from an odd column", 65, 4, 1, 0, 0},
        {"one past an AVX-512 step", 65, 3, 0, 3, 0},
        {"steps of every kernel and a tail", 64 + 32 + 16 + 7, 7, 5, 0, 9},
        {"a 1080p row, odd first row", 1920, 3, 0, 1, 0},
        {"last columns and rows of the buffer", 130, 6, 4, 2, 0},
        {"last columns, odd width", 131, 5, 4, 1, 0},
    };
    constexpr std::size_t kGuard = 256;
    constexpr std::uint8_t kGuardByte = 0xA5;
    std::mt19937 random(1080);
    for (const auto& c : cases) {
        const RandomFrame frame(c.width, c.height, c.x, c.y, c.spareColumns, random);
        for (const bool bt709 : {false, true}) {
            std::vector<std::uint8_t> reference(frame.OutputBytes());
            ConvertNv12ToBgraWith(ConvertKernel::Scalar, frame.Source(bt709), reference.data());
            for (const auto& [kernel, stores, shift] : KernelRuns()) {
                std::vector<std::uint8_t> guarded(kGuard + 64 + frame.OutputBytes() + kGuard, kGuardByte);
                const auto start =
                    (64 - reinterpret_cast<std::uintptr_t>(guarded.data() + kGuard) % 64) % 64 + shift;
                const auto picture = guarded.begin() + static_cast<std::ptrdiff_t>(kGuard + start);
                ConvertNv12ToBgraWith(kernel, frame.Source(bt709), &*picture, stores);
                const std::string what = std::string(c.name) + ", " + ConvertKernelName(kernel) +
                                         (bt709 ? ", BT.709" : ", BT.601") +
                                         (stores == PictureStores::Streaming ? ", streaming" : ", cached") +
                                         ", 64-byte boundary + " + std::to_string(shift);
                EXPECT_TRUE(std::equal(reference.begin(), reference.end(), picture)) << what;
                EXPECT_TRUE(
                    std::all_of(guarded.begin(), picture, [](std::uint8_t b) { return b == kGuardByte; }))
                    << what << ": written before the picture";
                EXPECT_TRUE(std::all_of(picture + static_cast<std::ptrdiff_t>(reference.size()),
                                        guarded.end(), [](std::uint8_t b) { return b == kGuardByte; }))
                    << what << ": written after the picture";
            }
        }
    }
}

// Every luma value against chroma pairs that run each of U and V through all 256 values, both
// ends together included, in both matrices: the wide kernels' 16-bit arithmetic neither
// overflows nor rounds apart from the reference anywhere in the value range. Each chroma row
// holds one pair; its two luma rows hold 0 ... 255.
TEST(Nv12, WideKernelsAgreeOverTheWholeValueRange) {
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < 256; ++i) {
        pairs.emplace_back(i, 255 - i);
        pairs.emplace_back(i, i);
        pairs.emplace_back(i, (97 * i + 13) & 255);
    }
    const std::size_t width = 256, height = 2 * pairs.size();
    std::vector<std::uint8_t> buffer(width * height * 3 / 2);
    for (std::size_t row = 0; row < height; ++row) {
        for (std::size_t j = 0; j < width; ++j)
            buffer[row * width + j] = static_cast<std::uint8_t>(j);
    }
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        for (std::size_t j = 0; j < width; j += 2) {
            buffer[width * height + k * width + j] = static_cast<std::uint8_t>(pairs[k].first);
            buffer[width * height + k * width + j + 1] = static_cast<std::uint8_t>(pairs[k].second);
        }
    }
    const Nv12Layout layout{width, height, width * height};
    const Aperture all{0, 0, static_cast<int>(width), static_cast<int>(height)};
    for (const bool bt709 : {false, true}) {
        std::vector<std::uint8_t> reference(width * height * 4);
        ConvertNv12ToBgraWith(ConvertKernel::Scalar, Nv12Source{buffer.data(), layout, all, bt709},
                              reference.data());
        for (const auto kernel : kVectorKernels) {
            std::vector<std::uint8_t> out(reference.size());
            ConvertNv12ToBgraWith(kernel, Nv12Source{buffer.data(), layout, all, bt709}, out.data());
            const auto mismatch = std::mismatch(out.begin(), out.end(), reference.begin());
            ASSERT_TRUE(mismatch.first == out.end())
                << ConvertKernelName(kernel) << (bt709 ? " BT.709" : " BT.601")
                << ": first difference at pixel " << (mismatch.first - out.begin()) / 4;
        }
    }
}

TEST(Letterbox, Geometry) {
    const struct {
        const char* name;
        int ww, wh, fw, fh;
        LetterboxRect expected;
    } cases[] = {
        {"wider window: bars left and right", 1000, 400, 1920, 1080, {144, 0, 711, 400}},
        {"taller window: bars top and bottom", 640, 900, 1920, 1080, {0, 270, 640, 360}},
        {"same aspect", 1280, 720, 1920, 1080, {0, 0, 1280, 720}},
        {"one-pixel window", 1, 1, 1920, 1080, {0, 0, 1, 1}},
        {"one pixel wide", 1, 500, 1920, 1080, {0, 249, 1, 1}},
        {"one pixel tall", 500, 1, 1920, 1080, {249, 0, 2, 1}},
        {"empty window", 0, 500, 1920, 1080, {}},
        {"no frame", 500, 500, 0, 0, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComputeLetterbox(c.ww, c.wh, c.fw, c.fh), c.expected) << c.name;
}

} // namespace
