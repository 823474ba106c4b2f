#include "engine/transforms/ChirpZ.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <numbers>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "engine/core/ComplexTimes.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {

// One plan per length serves both directions: the forward transform of x is
// the backward transform of x reversed, x(−n mod L), which a transform
// writes as it forms its input, so the caller's input is never overwritten.
struct ChirpZ::Plans {
    fftwf_plan backward = nullptr;
};

namespace {

using Complex = ChirpZ::Complex;

std::complex<float>* AllocateComplex(int count) {
    void* p = fftwf_malloc(sizeof(fftwf_complex) * static_cast<std::size_t>(std::max(count, 1)));
    if (!p) throw std::bad_alloc();
    return static_cast<Complex*>(p);
}

// to[k] = a[k]·b[k] for k < count, in the widest vectors the processor has:
// each product rounds as it would alone.
__attribute__((target_clones("avx2", "default"))) void MultiplyEach(Complex* __restrict to, const Complex* a,
                                                                    const Complex* __restrict b, int count) {
    for (int k = 0; k < count; ++k) to[k] = Times(a[k], b[k]);
}

// The out-of-place plan of one length, made on first use and kept for the
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
        made.backward = fftwf_plan_dft_1d(length, at, to, FFTW_BACKWARD, FFTW_ESTIMATE);
    }
    fftwf_free(array);
    fftwf_free(spectrum);
    if (!made.backward) throw std::bad_alloc();
    return &plans.emplace(length, made).first->second;
}

// e^{i·(m² − 2·offset·m)·numerator / (2·denominator)}, the phase reduced in
// 64-bit.
Complex ChirpOf(long long m, double numerator, double denominator, long long offset = 0) {
    if (denominator == 0.0) return {1.0f, 0.0f};
    const double squared = static_cast<double>(m) * static_cast<double>(m - 2 * offset);
    const double phase = std::remainder(squared * numerator / (2.0 * denominator), 2.0 * std::numbers::pi);
    return {static_cast<float>(std::cos(phase)), static_cast<float>(std::sin(phase))};
}

}  // namespace

int ChirpZ::LengthFor(int count) {
    // Powers of two only: FFTW_ESTIMATE's plans of 3·2^k values (768, 1536)
    // run slower here than those of the next power of two.
    long long power = 1;
    while (power < count) power *= 2;
    return static_cast<int>(power);
}

namespace {

// How a transform splits into blocks: each block's convolution length, its
// outputs (a multiple of 8 where there are more, so that a caller's vectors
// of 8 leave no remainder but at the end) and how many blocks.
struct BlockShape {
    int length;
    int blockOutputs;
    int blocks;
};

BlockShape ShapeOf(int length, int inputs, int outputs) {
    int blockOutputs = std::min(length - inputs + 1, outputs);
    if (blockOutputs < outputs && blockOutputs > 8) blockOutputs -= blockOutputs % 8;
    return {length, blockOutputs, (outputs + blockOutputs - 1) / blockOutputs};
}

// The cost of a shape: 1 + blocks FFTs of L values, each about
// L·(log₂ L + 3) operations with its products.
double CostOf(const BlockShape& shape) {
    return (1.0 + shape.blocks) * shape.length * (std::log2(shape.length) + 3.0);
}

// The shape whose transforms cost least, from the shortest length that
// leaves a block two outputs up to the one that makes every output in one
// block.
BlockShape CheapestShape(int inputs, int outputs) {
    const int longest = ChirpZ::LengthFor(inputs + outputs - 1);
    BlockShape best = ShapeOf(longest, inputs, outputs);
    for (int l = ChirpZ::LengthFor(inputs + 1); l < longest; l = ChirpZ::LengthFor(l + 1)) {
        const BlockShape shape = ShapeOf(l, inputs, outputs);
        if (CostOf(shape) < CostOf(best)) best = shape;
    }
    return best;
}

}  // namespace

double ChirpZ::TransformedValues(int inputs, int outputs) {
    const BlockShape shape = CheapestShape(inputs, outputs);
    return static_cast<double>(shape.length) * (1 + shape.blocks);
}

void ChirpZ::Work::Free::operator()(Complex* p) const { fftwf_free(p); }

ChirpZ::Work::Work(const ChirpZ& transform)
    : data_(AllocateComplex(transform.inputs())),
      reversed_(AllocateComplex(transform.length())),
      spectrum_(AllocateComplex(transform.length())),
      product_(AllocateComplex(transform.length())),
      convolved_(AllocateComplex(transform.length())),
      output_(AllocateComplex(transform.outputs())) {
    std::fill(reversed_.get(), reversed_.get() + transform.length(), Complex{});
}

ChirpZ::ChirpZ(int inputs, int outputs, double stepNumerator, double stepDenominator, int offset)
    : inputs_(inputs), outputs_(outputs), length_(0), blockOutputs_(0), blocks_(0), plans_(nullptr) {
    if (inputs < 1 || outputs < 1)
        throw std::invalid_argument("a chirp-z transform needs inputs and outputs");
    const BlockShape shape = CheapestShape(inputs, outputs);
    length_ = shape.length;
    blockOutputs_ = shape.blockOutputs;
    blocks_ = shape.blocks;
    plans_ = PlansFor(length_);
    const int chirps = std::max(inputs, outputs);
    chirp_ = std::make_unique<Complex[]>(static_cast<std::size_t>(chirps));
    for (int m = 0; m < chirps; ++m)
        chirp_[static_cast<std::size_t>(m)] = ChirpOf(m, stepNumerator, stepDenominator);
    // S(k) = c(k)·e^{−i·step·offset·k} Σ a(n)·c(n)·conj(c(k − n)).
    outputChirp_ = std::make_unique<Complex[]>(static_cast<std::size_t>(outputs));
    for (int k = 0; k < outputs; ++k)
        outputChirp_[static_cast<std::size_t>(k)] = ChirpOf(k, stepNumerator, stepDenominator, offset);
    // Block b's outputs k = first + m take conj(c(k − n)): conj(c(first + m))
    // at m = 0 .. blockOutputs − 1 and conj(c(first − m)) at length − m for
    // m = 1 .. inputs − 1 (c is even), the rest zero; its forward transform,
    // with the backward transform's 1 / length folded in, made as the
    // backward transform of those values reversed.
    const auto at = [this](long long m) { return chirp_[static_cast<std::size_t>(m < 0 ? -m : m)]; };
    const Work work(*this);
    Complex* g = work.product();
    const float scale = 1.0f / static_cast<float>(length_);
    const auto L = static_cast<std::size_t>(length_);
    kernels_ = std::make_unique<Complex[]>(L * static_cast<std::size_t>(blocks_));
    for (int block = 0; block < blocks_; ++block) {
        const long long first = 1LL * block * blockOutputs_;
        const int count = static_cast<int>(std::min<long long>(blockOutputs_, outputs - first));
        std::fill(g, g + length_, Complex{});
        g[0] = std::conj(at(first)) * scale;
        for (int m = 1; m < count; ++m) g[length_ - m] = std::conj(at(first + m)) * scale;
        for (int m = 1; m < inputs; ++m) g[m] = std::conj(at(first - m)) * scale;
        fftwf_execute_dft(plans_->backward, reinterpret_cast<fftwf_complex*>(g),
                          reinterpret_cast<fftwf_complex*>(work.spectrum()));
        std::copy(work.spectrum(), work.spectrum() + length_,
                  kernels_.get() + L * static_cast<std::size_t>(block));
    }
}

ChirpZ::~ChirpZ() = default;

std::shared_ptr<const ChirpZ> ChirpZ::Shared(int inputs, int outputs, double stepNumerator,
                                             double stepDenominator, int offset) {
    // A hologram calculation takes two; a handful covers a window's and a
    // script's alternating geometries without holding memory for long.
    constexpr std::size_t Kept = 8;
    using Key = std::tuple<int, int, double, double, int>;
    static std::mutex mutex;
    static std::deque<std::pair<Key, std::shared_ptr<const ChirpZ>>> kept;
    const Key key{inputs, outputs, stepNumerator, stepDenominator, offset};
    {
        std::lock_guard lock(mutex);
        for (const auto& [made, transform] : kept)
            if (made == key) return transform;
    }
    auto transform = std::make_shared<const ChirpZ>(inputs, outputs, stepNumerator, stepDenominator, offset);
    std::lock_guard lock(mutex);
    kept.emplace_back(key, transform);
    if (kept.size() > Kept) kept.pop_front();
    return transform;
}

void ChirpZ::transformInput(const Work& work) const {
    fftwf_execute_dft(plans_->backward, reinterpret_cast<fftwf_complex*>(work.reversed()),
                      reinterpret_cast<fftwf_complex*>(work.spectrum()));
}

void ChirpZ::convolveBlock(const Work& work, int block) const {
    const Complex* kernel =
        kernels_.get() + static_cast<std::size_t>(length_) * static_cast<std::size_t>(block);
    MultiplyEach(work.product(), work.spectrum(), kernel, length_);
    fftwf_execute_dft(plans_->backward, reinterpret_cast<fftwf_complex*>(work.product()),
                      reinterpret_cast<fftwf_complex*>(work.convolved()));
}

void ChirpZ::transform(const Work& work) const {
    const Complex* a = work.data();
    Complex* reversed = work.reversed();
    for (int n = 0; n < inputs_; ++n)
        reversed[reversedIndex(n)] = Times(a[n], chirp_[static_cast<std::size_t>(n)]);
    Complex* out = work.output();
    transformReversedBlocks(work,
                            [out](int first, int count, const Complex* convolved, const Complex* chirp) {
                                MultiplyEach(out + first, convolved, chirp, count);
                            });
}

}  // namespace marbleck
