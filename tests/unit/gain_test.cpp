#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "engine/gain/gain_process.h"

namespace {

TEST(ProcessGain, Pcm16Cases) {
    const struct {
        const char* name;
        std::vector<std::int16_t> in;
        std::uint32_t from, to;
        std::vector<std::int16_t> out;
    } cases[] = {
        {"unity without a change leaves every value",
         {32767, -32768, 1, 16384, -12345},
         4096,
         4096,
         {32767, -32768, 1, 16384, -12345}},
        {"half scale at 2.0 reaches full scale", {16384}, 8192, 8192, {32767}},
        {"most negative at 2.0 clips to -32767", {-32768}, 8192, 8192, {-32767}},
        {"gain 4.0 clips both ways", {12000, -12000, 4000}, 16384, 16384, {32767, -32767, 16000}},
        {"gain 0 silences", {32767, -32768, 5}, 0, 0, {0, 0, 0}},
        {"ramp 1.0 to 2.0 over four values",
         {16384, 16384, 16384, 16384},
         4096,
         8192,
         {16384, 20479, 24575, 28671}},
        {"a single value gets the starting gain", {8192}, 4096, 16384, {8192}},
        {"a single value gets the starting gain downwards", {8192}, 16384, 4096, {32767}},
        {"ties round to even, up and down",
         {10912, 10914, -10912, -10914},
         6144,
         6144,
         {16368, 16370, -16368, -16370}},
        {"empty buffer", {}, 0, 16384, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::int16_t> fast = c.in;
        std::vector<std::int16_t> reference = c.in;
        ProcessGain(std::span(fast), c.from, c.to);
        ProcessGainReference(std::span(reference), c.from, c.to);
        EXPECT_EQ(fast, c.out) << c.name;
        EXPECT_EQ(reference, c.out) << c.name;
    }
}

TEST(ProcessGain, FloatCases) {
    const struct {
        const char* name;
        std::vector<float> in;
        std::uint32_t from, to;
        std::vector<float> out;
    } cases[] = {
        {"unity without a change leaves even values beyond full scale",
         {1.5f, -2.0f, 0.3f},
         4096,
         4096,
         {1.5f, -2.0f, 0.3f}},
        {"0.3 at 4.0 clips to full scale", {0.3f, -0.3f}, 16384, 16384, {1.0f, -1.0f}},
        {"gain 0 silences", {0.3f, 1.0f}, 0, 0, {0.0f, 0.0f}},
        {"ramp 1.0 to 2.0 over four values",
         {0.5f, 0.5f, 0.5f, 0.5f},
         4096,
         8192,
         {0.5f, 0.625f, 0.75f, 0.875f}},
        {"ramp clips where it passes full scale",
         {0.5f, 0.5f, 0.5f, 0.5f},
         4096,
         12288,
         {0.5f, 0.75f, 1.0f, 1.0f}},
        {"ramp down to silence", {1.0f, 1.0f, 1.0f, 1.0f, 1.0f}, 4096, 0, {1.0f, 0.8f, 0.6f, 0.4f, 0.2f}},
        {"a single value gets the starting gain", {0.25f}, 8192, 16384, {0.5f}},
        {"leaving unity scales from 1.0", {1.5f, 0.5f}, 4096, 8192, {1.0f, 0.75f}},
        {"nine values: four-wide lanes and a tail",
         {0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f},
         8192,
         8192,
         {0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f}},
    };
    for (const auto& c : cases) {
        std::vector<float> fast = c.in;
        std::vector<float> reference = c.in;
        ProcessGain(std::span(fast), c.from, c.to);
        ProcessGainReference(std::span(reference), c.from, c.to);
        ASSERT_EQ(fast.size(), c.out.size()) << c.name;
        for (std::size_t i = 0; i < c.out.size(); ++i) {
            EXPECT_FLOAT_EQ(fast[i], c.out[i]) << c.name << " value " << i;
            EXPECT_FLOAT_EQ(reference[i], c.out[i]) << c.name << " value " << i;
        }
    }
}

std::vector<std::uint32_t> Bits(const std::vector<float>& values) {
    std::vector<std::uint32_t> bits;
    for (const float v : values)
        bits.push_back(std::bit_cast<std::uint32_t>(v));
    return bits;
}

// Values beyond full scale, signed zeros, subnormals, infinities and NaN besides ordinary audio.
std::vector<float> RandomFloats(std::mt19937& random, std::size_t count) {
    const float specials[] = {0.0f,
                              -0.0f,
                              1.0f,
                              -1.0f,
                              std::numeric_limits<float>::denorm_min(),
                              -std::numeric_limits<float>::denorm_min(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN()};
    std::uniform_real_distribution<float> audio(-1.5f, 1.5f);
    std::uniform_int_distribution<int> pick(0, 39);
    std::vector<float> values(count);
    for (float& v : values) {
        const int p = pick(random);
        v = p < static_cast<int>(std::size(specials)) ? specials[p] : audio(random);
    }
    return values;
}

TEST(ProcessGain, FourWideFloatPathMatchesTheReferenceBitForBit) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::uint32_t> gain(0, kMaxGainQ12);
    const std::size_t lengths[] = {1, 3, 5, 7, 9, 15, 17, 31, 63, 255, 479, 961, 4799, 96001};
    for (const std::size_t length : lengths) {
        for (int round = 0; round < 8; ++round) {
            const std::uint32_t from = round == 0 ? kUnityGainQ12 : gain(random);
            const std::uint32_t to = round == 1 ? from : gain(random);
            std::vector<float> fast = RandomFloats(random, length);
            std::vector<float> reference = fast;
            ProcessGain(std::span(fast), from, to);
            ProcessGainReference(std::span(reference), from, to);
            EXPECT_EQ(Bits(fast), Bits(reference)) << "length " << length << " from " << from << " to " << to;
        }
    }
}

TEST(ProcessGain, EightWidePcmPathMatchesTheReference) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::uint32_t> gain(0, kMaxGainQ12);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    const std::size_t lengths[] = {1, 3, 7, 9, 15, 17, 33, 479, 961, 4801};
    for (const std::size_t length : lengths) {
        for (int round = 0; round < 8; ++round) {
            const std::uint32_t from = gain(random);
            const std::uint32_t to = round == 0 ? from : gain(random);
            std::vector<std::int16_t> fast(length);
            for (auto& s : fast)
                s = static_cast<std::int16_t>(sample(random));
            std::vector<std::int16_t> reference = fast;
            ProcessGain(std::span(fast), from, to);
            ProcessGainReference(std::span(reference), from, to);
            EXPECT_EQ(fast, reference) << "length " << length << " from " << from << " to " << to;
        }
    }
}

TEST(ProcessGain, RampGainOfEachValueFollowsTheFormula) {
    // With full-scale input halved (0.25 * gain stays below 1 up to 4.0) the output reveals the
    // gain of every value: from + i * (to - from) / n, stopping short of `to`.
    const std::size_t n = 4801;
    const std::uint32_t from = 1000, to = 15000;
    std::vector<float> values(n, 0.25f);
    ProcessGain(std::span(values), from, to);
    const float step = (static_cast<float>(to) - static_cast<float>(from)) / static_cast<float>(n);
    for (const std::size_t i : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3},
                                std::size_t{4}, std::size_t{2400}, n - 2, n - 1}) {
        const float expected = (static_cast<float>(from) + static_cast<float>(i) * step) / 4096.0f * 0.25f;
        EXPECT_EQ(values[i], expected) << "value " << i;
    }
    EXPECT_LT(values[n - 1], static_cast<float>(to) / 4096.0f * 0.25f);
}

TEST(ProcessGain, OnlyUnityWithoutChangeLeavesSamplesAlone) {
    const struct {
        std::uint32_t from, to;
        bool changes;
    } cases[] = {
        {4096, 4096, false}, {4096, 4097, true}, {8192, 4096, true}, {0, 0, true}, {16384, 16384, true}};
    for (const auto& c : cases)
        EXPECT_EQ(GainChangesSamples(c.from, c.to), c.changes) << c.from << " -> " << c.to;
}

} // namespace
