#include "engine/transforms/ChirpZ.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <new>
#include <numbers>
#include <stdexcept>

#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {

struct ChirpZ::Plans {
    fftwf_plan forward = nullptr;
    fftwf_plan backward = nullptr;
};

namespace {

using Complex = std::complex<float>;

std::complex<float>* AllocateComplex(int count) {
    void* p = fftwf_malloc(sizeof(fftwf_complex) * static_cast<std::size_t>(std::max(count, 1)));
    if (!p) throw std::bad_alloc();
    return static_cast<Complex*>(p);
}

// a·b without the checks for infinities std::complex's product makes.
inline Complex Times(Complex a, Complex b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// to[k] = a[k]·b[k] for k < count, in the widest vectors the processor has:
// each product rounds as it would alone.
__attribute__((target_clones("avx2", "default"))) void MultiplyEach(Complex* to, const Complex* a,
                                                                    const Complex* __restrict b, int count) {
    for (int k = 0; k < count; ++k) to[k] = Times(a[k], b[k]);
}

// The out-of-place plans of one length, made on first use and kept for the
// rest of the program: every transform of that length executes them on its
// own arrays (FFTW's new-array execution, on arrays from fftwf_malloc, so
// aligned as the planning arrays were).
const ChirpZ::Plans* PlansFor(int length) {
    static std::mutex mutex;
    static std::map<int, ChirpZ::Plans> plans;
    std::lock_guard lock(mutex);
    auto found = plans.find(length);
    if (found != plans.end()) return &found->second;
    Complex* array = AllocateComplex(length);
    Complex* spectrum = nullptr;
    try {
        spectrum = AllocateComplex(length);
    } catch (...) {
        fftwf_free(array);
        throw;
    }
    auto* at = reinterpret_cast<fftwf_complex*>(array);
    auto* to = reinterpret_cast<fftwf_complex*>(spectrum);
    ChirpZ::Plans made;
    {
        std::lock_guard planning(FftwPlannerMutex());
        made.forward = fftwf_plan_dft_1d(length, at, to, FFTW_FORWARD, FFTW_ESTIMATE | FFTW_PRESERVE_INPUT);
        made.backward = fftwf_plan_dft_1d(length, to, at, FFTW_BACKWARD, FFTW_ESTIMATE);
    }
    fftwf_free(array);
    fftwf_free(spectrum);
    if (!made.forward || !made.backward) {
        std::lock_guard planning(FftwPlannerMutex());
        if (made.forward) fftwf_destroy_plan(made.forward);
        if (made.backward) fftwf_destroy_plan(made.backward);
        throw std::bad_alloc();
    }
    return &plans.emplace(length, made).first->second;
}

// e^{i·m²·numerator / (2·denominator)}, the phase reduced in 64-bit.
Complex ChirpOf(long long m, double numerator, double denominator) {
    if (denominator == 0.0) return {1.0f, 0.0f};
    const double squared = static_cast<double>(m) * static_cast<double>(m);
    const double phase = std::remainder(squared * numerator / (2.0 * denominator), 2.0 * std::numbers::pi);
    return {static_cast<float>(std::cos(phase)), static_cast<float>(std::sin(phase))};
}

}  // namespace

int ChirpZ::LengthFor(int count) {
    long long power = 1;
    while (power < count) power *= 2;
    // 3·2^k when it fits between: FFTW's transforms of odd factors above 3
    // run several times slower per value here than those of 2^k.
    const long long third = power / 4 * 3;
    return static_cast<int>(power >= 4 && third >= count ? third : power);
}

void ChirpZ::Work::Free::operator()(std::complex<float>* p) const { fftwf_free(p); }

ChirpZ::Work::Work(const ChirpZ& transform)
    : data_(AllocateComplex(transform.length())),
      spectrum_(AllocateComplex(transform.length())),
      output_(AllocateComplex(transform.length())) {
    std::fill(data_.get(), data_.get() + transform.length(), Complex{});
}

ChirpZ::ChirpZ(int inputs, int outputs, double stepNumerator, double stepDenominator)
    : inputs_(inputs), outputs_(outputs), length_(0), plans_(nullptr) {
    if (inputs < 1 || outputs < 1)
        throw std::invalid_argument("a chirp-z transform needs inputs and outputs");
    length_ = LengthFor(inputs + outputs - 1);
    plans_ = PlansFor(length_);
    const int chirps = std::max(inputs, outputs);
    chirp_ = std::make_unique<Complex[]>(static_cast<std::size_t>(chirps));
    for (int m = 0; m < chirps; ++m)
        chirp_[static_cast<std::size_t>(m)] = ChirpOf(m, stepNumerator, stepDenominator);
    // conj(c(m)) at m = 0 .. outputs − 1 and at length − m for
    // m = 1 .. inputs − 1, the rest zero; its transform, with the backward
    // transform's 1 / length folded in.
    const Work work(*this);
    Complex* g = work.data();
    std::fill(g, g + length_, Complex{});
    const float scale = 1.0f / static_cast<float>(length_);
    for (int m = 0; m < outputs; ++m) g[m] = std::conj(chirp_[static_cast<std::size_t>(m)]) * scale;
    for (int m = 1; m < inputs; ++m) g[length_ - m] = std::conj(chirp_[static_cast<std::size_t>(m)]) * scale;
    fftwf_execute_dft(plans_->forward, reinterpret_cast<fftwf_complex*>(g),
                      reinterpret_cast<fftwf_complex*>(work.spectrum()));
    kernel_ = std::make_unique<Complex[]>(static_cast<std::size_t>(length_));
    std::copy(work.spectrum(), work.spectrum() + length_, kernel_.get());
}

ChirpZ::~ChirpZ() = default;

void ChirpZ::transform(const Work& work) const {
    Complex* a = work.data();
    Complex* spectrum = work.spectrum();
    Complex* out = work.output();
    const Complex* c = chirp_.get();
    for (int n = 0; n < inputs_; ++n) a[n] = Times(a[n], c[n]);
    fftwf_execute_dft(plans_->forward, reinterpret_cast<fftwf_complex*>(a),
                      reinterpret_cast<fftwf_complex*>(spectrum));
    const Complex* g = kernel_.get();
    MultiplyEach(spectrum, spectrum, g, length_);
    fftwf_execute_dft(plans_->backward, reinterpret_cast<fftwf_complex*>(spectrum),
                      reinterpret_cast<fftwf_complex*>(out));
    MultiplyEach(out, out, c, outputs_);
}

}  // namespace marbleck
