#pragma once

#include <complex>

namespace marbleck {

// a·b without the checks for infinities std::complex's product makes: each
// half's two products rounded to 32-bit, then added or taken away once. The
// engine's vector loops round the same way, so they agree with this one.
inline std::complex<float> Times(std::complex<float> a, std::complex<float> b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

}  // namespace marbleck
