#pragma once

#include <algorithm>
#include <complex>
#include <memory>

namespace marbleck {

// The sums S(k) = Σ a(n)·e^{i·step·(n − offset)·k}, n = 0 .. inputs − 1, for
// k = 0 .. outputs − 1: a Fourier sum whose frequency step need not be
// 2π / length, by Bluestein's algorithm. The offset shifts where the inputs
// start (a sum from −offset up); it costs only a different last factor.
// Since n·k = (n² + k² − (k − n)²) / 2,
// S(k) = c(k) Σ a(n)·c(n)·conj(c(k − n)) with the chirp c(m) = e^{i·step·m²/2}:
// a circular convolution by single-precision FFTs on FFTW. The outputs are
// made in blocks of blockOutputs() values, each one convolution of length()
// ≥ inputs + blockOutputs() − 1 with a kernel of its own; the forward
// transform of the input is shared by every block, so a transform costs
// 1 + blocks() FFTs of a length short enough to stay in the processor's
// nearest cache, fewer operations than one convolution as long as the
// inputs and the outputs together. Every FFT runs FFTW's backward plan: the
// forward ones transform their values in reverse order. The chirp's phases
// m²·step/2 reach 10⁴ rad on a large hologram, so they are formed in 64-bit
// and reduced to [−π, π] before they become 32-bit factors. The FFT plans of
// a length are made once for the whole program and shared; a transform runs
// on any thread, each in a work array of its own.
class ChirpZ {
public:
    using Complex = std::complex<float>;

    // `step` is the angle between neighbouring frequencies, in radians; with
    // `stepNumerator` and `stepDenominator` the step is their quotient and
    // each chirp phase is m²·numerator / (2·denominator), multiplied before
    // dividing. Throws std::invalid_argument for inputs or outputs below 1
    // and std::bad_alloc when FFTW cannot allocate or plan.
    ChirpZ(int inputs, int outputs, double stepNumerator, double stepDenominator, int offset = 0);
    ~ChirpZ();
    ChirpZ(const ChirpZ&) = delete;
    ChirpZ& operator=(const ChirpZ&) = delete;

    int inputs() const { return inputs_; }
    int outputs() const { return outputs_; }
    // Each block's convolution length: a power of two above inputs − 1.
    int length() const { return length_; }
    // The outputs one block makes (the last may make fewer), and the blocks.
    int blockOutputs() const { return blockOutputs_; }
    int blocks() const { return blocks_; }

    // The arrays of one transform, aligned as FFTW's plans need: the input
    // (inputs() values), the input times the chirp in reverse order on the
    // circle (length() values), its spectrum, a block's product and its
    // convolution, and the outputs. Only the reversed values a transform
    // writes are ever other than zero, so that no transform has to clear
    // them.
    class Work {
    public:
        explicit Work(const ChirpZ& transform);
        Complex* data() const { return data_.get(); }
        Complex* reversed() const { return reversed_.get(); }
        Complex* spectrum() const { return spectrum_.get(); }
        Complex* product() const { return product_.get(); }
        Complex* convolved() const { return convolved_.get(); }
        Complex* output() const { return output_.get(); }

    private:
        struct Free {
            void operator()(Complex* p) const;
        };
        std::unique_ptr<Complex, Free> data_;
        std::unique_ptr<Complex, Free> reversed_;
        std::unique_ptr<Complex, Free> spectrum_;
        std::unique_ptr<Complex, Free> product_;
        std::unique_ptr<Complex, Free> convolved_;
        std::unique_ptr<Complex, Free> output_;
    };

    // Reads a(n) from work.data()[0 .. inputs − 1] and leaves S(k) in
    // work.output()[0 .. outputs − 1].
    void transform(const Work& work) const;

    // The same sums for a caller that forms its inputs itself and takes them
    // a block at a time before their last factor: a(n)·inputChirp()[n] goes
    // to work.reversed()[reversedIndex(n)], and every place the caller does
    // not write keeps what it last wrote there (zero in a new Work); then
    // sink(first, count, convolved, chirp) for each block, S(first + m) =
    // chirp[m]·convolved[m] for m < count. A caller that needs only part of
    // each S (its real part) takes it from there without storing S.
    const Complex* inputChirp() const { return chirp_.get(); }
    int reversedIndex(int n) const { return ReversedIndex(n, length_); }
    // Where input n goes on a circle of `length` places read in reverse.
    static int ReversedIndex(int n, int length) { return n == 0 ? 0 : length - n; }
    template <class Sink>
    void transformReversedBlocks(const Work& work, Sink&& sink) const {
        transformInput(work);
        for (int block = 0; block < blocks_; ++block) {
            const int first = block * blockOutputs_;
            convolveBlock(work, block);
            sink(first, std::min(blockOutputs_, outputs_ - first),
                 static_cast<const Complex*>(work.convolved()),
                 static_cast<const Complex*>(outputChirp_.get() + first));
        }
    }

    // A transform of these parameters shared by every caller: the last few
    // made are kept, so that a calculation repeated on the same geometry
    // (a refinement, a redraw, a benchmark) does not form its chirps and
    // kernels again. Throws as the constructor does.
    static std::shared_ptr<const ChirpZ> Shared(int inputs, int outputs, double stepNumerator,
                                                double stepDenominator, int offset = 0);

    // The length Bluestein's convolution takes for `count` values.
    static int LengthFor(int count);
    // The values one transform of `inputs` to `outputs` runs through its
    // FFTs: its length times one more than its blocks.
    static double TransformedValues(int inputs, int outputs);

    // FFTW's plans of one length, made once and shared by the whole program.
    struct Plans;

private:
    void transformInput(const Work& work) const;
    void convolveBlock(const Work& work, int block) const;

    int inputs_;
    int outputs_;
    int length_;
    int blockOutputs_;
    int blocks_;
    const Plans* plans_;
    std::unique_ptr<Complex[]> chirp_;        // c(m), m < max(inputs, outputs)
    std::unique_ptr<Complex[]> outputChirp_;  // c(k)·e^{−i·step·offset·k}, k < outputs
    std::unique_ptr<Complex[]> kernels_;  // each block's FFT of conj(c) on the circle, length() values each
};

}  // namespace marbleck
