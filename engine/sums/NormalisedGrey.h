#pragma once

// The per-value arithmetic of normalising and of grey levels, shared by the
// engine's own sources so that every pass rounds the same way. Engine-private:
// it must be compiled as the engine is, without contraction (a fused
// multiply-add would change the roundings).

#include <cstdint>

namespace marbleck::detail {

// (value − minimum) / span, formed in 64-bit and rounded to 32-bit once.
inline float NormalisedValue(float value, double minimum, double span) {
    return static_cast<float>((static_cast<double>(value) - minimum) / span);
}

// value × 255 in 32-bit, rounded to the nearest whole number, halves to even;
// anything below 0 (and NaN) gives 0, anything above 255 gives 255.
// Clamping first keeps the product in 0 .. 255, where adding and taking away
// 2^23 rounds exactly as nearbyint does in the default rounding mode, and
// unlike a library call it runs in vector lanes.
inline std::uint8_t GreyOf(float normalised) {
    const float scaled = normalised * 255.0f;
    const float low = scaled > 0.0f ? scaled : 0.0f;
    const float clamped = low < 255.0f ? low : 255.0f;
    const float rounded = (clamped + 8388608.0f) - 8388608.0f;
    return static_cast<std::uint8_t>(rounded);
}

}  // namespace marbleck::detail
