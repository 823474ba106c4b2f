#pragma once

#include <complex>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/binarization/Binarization.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {

// How much the cost weighs an uneven object against the noise: larger keeps
// the object's points nearer one brightness at some cost in fidelity.
inline constexpr double DefaultEvenness = 0.4;

// The shares of white values an optimised pattern keeps within: outside,
// most of its light goes into the zero order.
inline constexpr double MinWhiteShare = 0.3;
inline constexpr double MaxWhiteShare = 0.7;

// The cost that the "optimised" binarization lowers, of a binary pattern t
// (0 or 1) of the geometry's columns x rows, through its far field F (the
// transform of t, unnormalised):
//   the noise: the light |F|^2 on every noise bin (ClassifyBins), times
//   1 + evenness x s², where s is the spread (standard deviation over mean)
//     of B, the light on the 3 x 3 bins around each lit point's bin (the
//     boxes of the uniformity figure): the noise and the spread weigh the
//     same on any size of hologram and number of points.
// The light on the object's and twin's bins is otherwise free, and so is the
// centre's: by Parseval, light taken from the noise goes there.
class BinaryPatternCost {
public:
    // The transforms run on the context's threads.
    BinaryPatternCost(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                      double evenness = DefaultEvenness, const ExecutionContext& context = {});
    ~BinaryPatternCost();

    // The cost of `bits` (columns x rows values, column by column, 0 or 1),
    // kept as the trial until accept().
    double evaluate(std::span<const std::uint8_t> bits);
    // Makes the last evaluated pattern the current one.
    void accept();

    // The change of cost() that flipping each value of the current pattern
    // `bits` alone would make, to first order in the unevenness (the noise's
    // change is exact), column by column. One inverse transform for all.
    void flipGains(std::span<const std::uint8_t> bits, std::vector<float>& gains);

private:
    // The boxes' light: its mean, its variance and s² = variance / mean².
    struct Spread {
        double mean = 0;
        double variance = 0;
        double value = 0;
    };
    static Spread SquaredSpread(const std::vector<double>& boxes);

    // A bin of a point's box, by the half-spectrum values that hold its
    // light: its own frequency's and its mirror's, where they are kept.
    struct BoxBin {
        static constexpr std::uint32_t None = ~std::uint32_t{0};
        std::uint32_t direct = None;
        std::uint32_t mirror = None;
    };

    int columns_;
    int rows_;
    double evenness_;
    ExecutionContext context_;
    std::unique_ptr<SpectrumPlan> plan_;
    // Per half-spectrum value: how many noise bins of the whole far field
    // its light stands for (0, 1 or 2).
    std::vector<std::uint8_t> noiseCount_;
    std::size_t noiseBins_ = 0;
    std::vector<BoxBin> boxBins_;  // 9 a point, the point's own bin fifth
    // The current pattern's half spectrum; the trial's is in the plan.
    std::vector<std::complex<float>> spectrum_;
    struct Light {
        std::vector<double> boxes;  // the light in each point's box
        double noise = 0;
        double cost = 0;
    } current_, trial_;
};

// The "optimised" binarization: starts from the balanced hologram of
// `calculated` and lowers BinaryPatternCost by batches of flips, at first
// with the noise alone (evenness 0) until that descent ends or 15 % of the
// budget has passed, then the whole cost. Each step
// takes every value's gain from BinaryPatternCost::flipGains, flips the m
// values that gain most, and keeps the step only if a forward transform says
// the cost fell; m grows after a kept step and halves after a refused one.
// Where no single value gains (a descent's end) it shakes the best pattern
// so far by flipping one value in 50 of a fixed sequence and descends again.
// Stops after eight shakes in a row found nothing better, after
// request.maxIterations steps (0: no limit) or once request.budgetSeconds
// have passed; deterministic for the same input and steps. No step or shake
// takes the share of white values further outside [MinWhiteShare,
// MaxWhiteShare] than it was. Returns the best pattern, never one that costs
// more than its start. A best pattern outside that band, whose figures are
// not finite where the start's are, or whose fidelity is below the start's
// gives way to the balanced start (the record's keptStart); where the start
// is no better, throws RunTimeError 481. Only the visited values (columns x
// rows) change; the rest of the field is binarized as the balanced hologram is.
BinarizedHologram OptimiseBinary(const HologramField& calculated, const BinarizationRequest& request,
                                 const BinarizationContext& context);

}  // namespace marbleck
