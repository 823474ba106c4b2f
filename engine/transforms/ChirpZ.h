#pragma once

#include <complex>
#include <memory>

namespace marbleck {

// The sums S(k) = Σ a(n)·e^{i·step·n·k}, n = 0 .. inputs − 1, for
// k = 0 .. outputs − 1: a Fourier sum whose frequency step need not be
// 2π / length, by Bluestein's algorithm. Since n·k = (n² + k² − (k − n)²) / 2,
// S(k) = c(k) Σ a(n)·c(n)·conj(c(k − n)) with the chirp c(m) = e^{i·step·m²/2}:
// one circular convolution of length length() ≥ inputs + outputs − 1, two
// single-precision FFTs on FFTW. The chirp's phases m²·step/2 reach 10⁴ rad
// on a large hologram, so they are formed in 64-bit and reduced to [−π, π]
// before they become 32-bit factors. The FFT plans of a length are made once
// for the whole program and shared; a transform runs on any thread, each in
// a work array of its own.
class ChirpZ {
public:
    // `step` is the angle between neighbouring frequencies, in radians; with
    // `stepNumerator` and `stepDenominator` the step is their quotient and
    // each chirp phase is m²·numerator / (2·denominator), multiplied before
    // dividing. Throws std::invalid_argument for inputs or outputs below 1
    // and std::bad_alloc when FFTW cannot allocate or plan.
    ChirpZ(int inputs, int outputs, double stepNumerator, double stepDenominator);
    ~ChirpZ();
    ChirpZ(const ChirpZ&) = delete;
    ChirpZ& operator=(const ChirpZ&) = delete;

    int inputs() const { return inputs_; }
    int outputs() const { return outputs_; }
    // The convolution's length: the smallest 2^k or 3·2^k not below
    // inputs + outputs − 1.
    int length() const { return length_; }

    // The arrays of one transform, length() values each, aligned as FFTW's
    // plans need: the input, its spectrum and the output. The transforms
    // run out of place, which FFTW does faster, and the input's values from
    // inputs() on stay zero, so that no transform has to clear them.
    class Work {
    public:
        explicit Work(const ChirpZ& transform);
        std::complex<float>* data() const { return data_.get(); }
        std::complex<float>* spectrum() const { return spectrum_.get(); }
        std::complex<float>* output() const { return output_.get(); }

    private:
        struct Free {
            void operator()(std::complex<float>* p) const;
        };
        std::unique_ptr<std::complex<float>, Free> data_;
        std::unique_ptr<std::complex<float>, Free> spectrum_;
        std::unique_ptr<std::complex<float>, Free> output_;
    };

    // Reads a(n) from work.data()[0 .. inputs − 1] (and overwrites them) and
    // leaves S(k) in work.output()[0 .. outputs − 1].
    void transform(const Work& work) const;

    // The length Bluestein's convolution takes for `count` values.
    static int LengthFor(int count);

    // FFTW's plans of one length, made once and shared by the whole program.
    struct Plans;

private:
    int inputs_;
    int outputs_;
    int length_;
    const Plans* plans_;
    std::unique_ptr<std::complex<float>[]> chirp_;   // c(m), m < max(inputs, outputs)
    std::unique_ptr<std::complex<float>[]> kernel_;  // FFT of conj(c) on the circle, over length()
};

}  // namespace marbleck
