#include "engine/gain/gain_process.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define JK_GAIN_SSE2 1
#endif

namespace {

constexpr float kQ12Scale = 1.0f / 4096.0f;
constexpr float kPcmIn = 1.0f / 32768.0f;
constexpr float kPcmOut = 32767.0f;
// The vector paths count values in 32-bit lanes; longer buffers (none a decoder delivers) go
// through the one-at-a-time path.
constexpr std::size_t kMaxLaneCount = std::numeric_limits<std::int32_t>::max() - 8;

struct Ramp {
    float from;
    float step;
};

Ramp MakeRamp(std::uint32_t fromGain, std::uint32_t toGain, std::size_t count) {
    const std::size_t n = count >= 2 ? count : 1;
    const float from = static_cast<float>(fromGain);
    return {from, (static_cast<float>(toGain) - from) / static_cast<float>(n)};
}

// i * step is computed afresh for every value, never accumulated, so that every path gives
// exactly the same gain for the same value.
float GainAt(const Ramp& ramp, std::size_t i) {
    return ramp.from + static_cast<float>(i) * ramp.step;
}

// Written as the vector min/max compare, so that a NaN passes through both paths alike.
float ClampUnit(float y) {
    return std::min(std::max(y, -1.0f), 1.0f);
}

float ScaleFloat(float x, float gain) {
    return ClampUnit(gain * kQ12Scale * x);
}

std::int16_t ScalePcm(std::int16_t sample, float gain) {
    const float y = ClampUnit(gain * kQ12Scale * (static_cast<float>(sample) * kPcmIn));
    // The default rounding mode rounds to nearest with ties to even, as the vector conversion does.
    const long rounded = std::lrint(y * kPcmOut);
    return static_cast<std::int16_t>(std::clamp<long>(rounded, -32768, 32767));
}

#ifdef JK_GAIN_SSE2

struct Lanes {
    __m128 from, step, scale, low, high;
};

Lanes MakeLanes(const Ramp& ramp) {
    return {_mm_set1_ps(ramp.from), _mm_set1_ps(ramp.step), _mm_set1_ps(kQ12Scale), _mm_set1_ps(-1.0f),
            _mm_set1_ps(1.0f)};
}

// The same operations in the same order as ScaleFloat, four lanes at once.
__m128 ScaleLanes(const Lanes& l, __m128i index, __m128 x) {
    const __m128 gain = _mm_add_ps(l.from, _mm_mul_ps(_mm_cvtepi32_ps(index), l.step));
    const __m128 y = _mm_mul_ps(_mm_mul_ps(gain, l.scale), x);
    return _mm_min_ps(l.high, _mm_max_ps(l.low, y));
}

std::size_t ProcessFloatLanes(float* values, std::size_t count, const Ramp& ramp) {
    const Lanes lanes = MakeLanes(ramp);
    const __m128i four = _mm_set1_epi32(4);
    __m128i index = _mm_setr_epi32(0, 1, 2, 3);
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        _mm_storeu_ps(values + i, ScaleLanes(lanes, index, _mm_loadu_ps(values + i)));
        index = _mm_add_epi32(index, four);
    }
    return i;
}

__m128i PcmLanes(const Lanes& l, __m128i index, __m128i samples) {
    const __m128 pcmIn = _mm_set1_ps(kPcmIn);
    const __m128 y = ScaleLanes(l, index, _mm_mul_ps(_mm_cvtepi32_ps(samples), pcmIn));
    return _mm_cvtps_epi32(_mm_mul_ps(y, _mm_set1_ps(kPcmOut)));
}

std::size_t ProcessPcmLanes(std::int16_t* values, std::size_t count, const Ramp& ramp) {
    const Lanes lanes = MakeLanes(ramp);
    const __m128i four = _mm_set1_epi32(4);
    const __m128i eight = _mm_set1_epi32(8);
    __m128i index = _mm_setr_epi32(0, 1, 2, 3);
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        auto* at = reinterpret_cast<__m128i*>(values + i);
        const __m128i raw = _mm_loadu_si128(at);
        const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(raw, raw), 16);
        const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(raw, raw), 16);
        const __m128i first = PcmLanes(lanes, index, low);
        const __m128i second = PcmLanes(lanes, _mm_add_epi32(index, four), high);
        _mm_storeu_si128(at, _mm_packs_epi32(first, second));
        index = _mm_add_epi32(index, eight);
    }
    return i;
}

#else

std::size_t ProcessFloatLanes(float* values, std::size_t count, const Ramp& ramp) {
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        values[i] = ScaleFloat(values[i], GainAt(ramp, i));
        values[i + 1] = ScaleFloat(values[i + 1], GainAt(ramp, i + 1));
        values[i + 2] = ScaleFloat(values[i + 2], GainAt(ramp, i + 2));
        values[i + 3] = ScaleFloat(values[i + 3], GainAt(ramp, i + 3));
    }
    return i;
}

std::size_t ProcessPcmLanes(std::int16_t*, std::size_t, const Ramp&) {
    return 0;
}

#endif

} // namespace

void ProcessGain(std::span<float> values, std::uint32_t fromGain, std::uint32_t toGain) {
    if (!GainChangesSamples(fromGain, toGain))
        return;
    const Ramp ramp = MakeRamp(fromGain, toGain, values.size());
    std::size_t i =
        values.size() <= kMaxLaneCount ? ProcessFloatLanes(values.data(), values.size(), ramp) : 0;
    for (; i < values.size(); ++i)
        values[i] = ScaleFloat(values[i], GainAt(ramp, i));
}

void ProcessGain(std::span<std::int16_t> values, std::uint32_t fromGain, std::uint32_t toGain) {
    if (!GainChangesSamples(fromGain, toGain))
        return;
    const Ramp ramp = MakeRamp(fromGain, toGain, values.size());
    std::size_t i = values.size() <= kMaxLaneCount ? ProcessPcmLanes(values.data(), values.size(), ramp) : 0;
    for (; i < values.size(); ++i)
        values[i] = ScalePcm(values[i], GainAt(ramp, i));
}

void ProcessGainReference(std::span<float> values, std::uint32_t fromGain, std::uint32_t toGain) {
    if (!GainChangesSamples(fromGain, toGain))
        return;
    const Ramp ramp = MakeRamp(fromGain, toGain, values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = ScaleFloat(values[i], GainAt(ramp, i));
}

void ProcessGainReference(std::span<std::int16_t> values, std::uint32_t fromGain, std::uint32_t toGain) {
    if (!GainChangesSamples(fromGain, toGain))
        return;
    const Ramp ramp = MakeRamp(fromGain, toGain, values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = ScalePcm(values[i], GainAt(ramp, i));
}
