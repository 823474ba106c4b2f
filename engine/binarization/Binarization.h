#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/reconstruction/Reconstruction.h"

namespace marbleck {

// The time budget of an iterative binarization unless the caller sets one.
inline constexpr double DefaultBinarizationBudget = 2.0;

// Which binarization to apply, by the name of its method in the table, with
// its parameters.
struct BinarizationRequest {
    std::string method;
    // The threshold of "threshold": values strictly above it become white.
    double threshold = 0;
    // How long an iterative method ("optimised") may run, in seconds; it
    // stops earlier when a step gains nothing. Ignored by the others.
    double budgetSeconds = DefaultBinarizationBudget;
    // At most this many steps of an iterative method, 0 for no limit: with a
    // limit and a budget it cannot reach, the result does not depend on the
    // machine's speed.
    int maxIterations = 0;
};

// What an iterative method did: the figures of the hologram it started from
// (the balanced one) and of its result, its steps and its time.
struct OptimisationRecord {
    HologramFigures start;
    HologramFigures end;
    int iterations = 0;
    double seconds = 0;
    // Set when nothing the method found showed the object better than its
    // start, which it then returned (end is then start).
    bool keptStart = false;
};

// A binarized hologram, kept apart from the calculated field it was made of.
struct BinarizedHologram {
    std::string method;  // the method's name in the table
    double threshold = 0;
    // The whole field (the geometry's bounds): 255 where white, 0 elsewhere.
    HologramField field;
    // The same levels in the field's own layout: field.columns() ×
    // field.rows(), column by column.
    std::vector<std::uint8_t> greyLevels;
    // Set by an iterative method; the others leave it empty.
    std::optional<OptimisationRecord> optimisation;
};

// What a binarization method may use besides the field: the calculation's
// geometry and lit samples, and the call's context (its threads, the
// caller's progress and cancelling, the transforms' back end), through which
// an iterative method judges each step by its far field.
struct BinarizationContext {
    const HologramGeometry& geometry;
    std::span<const ObjectPoint> litSamples;
    const ExecutionContext& execution;

    // The far field of the visited values of `field` (normalised or 0/255).
    Reconstruction reconstruct(const HologramField& field, ReconstructionOptions options = {}) const {
        return Reconstruct(field, geometry.columns, geometry.rows, options, execution);
    }
    // The fidelity figure of a reconstruction with the zero order removed.
    double fidelity(const Reconstruction& meanRemoved) const {
        return FidelityFigure(meanRemoved, litSamples, geometry);
    }
    // All three figures of a reconstruction with the zero order removed.
    HologramFigures figures(const Reconstruction& meanRemoved) const {
        return MeasureFigures(meanRemoved, litSamples, geometry);
    }
    void reportProgress(double fraction) const {
        if (execution.progress) execution.progress(fraction);
    }
    void stopIfCancelled() const { execution.stopIfCancelled(); }
};

// One binarization method: an entry of the binarization table. The function
// binarizes `calculated` (the normalised field, left untouched) as
// `request` asks and returns the result with its threshold; the caller
// fills in the method's name.
struct BinarizationMethod {
    using Function = BinarizedHologram (*)(const HologramField& calculated,
                                           const BinarizationRequest& request,
                                           const BinarizationContext& context);
    std::string_view name;
    std::string_view label;
    Function binarize = nullptr;
    // Whether the request's threshold is the method's parameter.
    bool takesThreshold = false;
    // Whether the method runs for up to the request's budget: a window runs
    // it on its worker thread, from the calculated field.
    bool takesBudget = false;
};

// The binarization table: "threshold" (the request's threshold),
// "balanced" (the hologram's median, so that half the values are white) and
// "optimised" (from the balanced hologram, flips values while that brings
// the object's points nearer an even brightness and takes light from the
// noise; see OptimiseBinary). Names are unique.
std::span<const BinarizationMethod> BinarizationMethods();

// The entry named `name`, or nullptr for a name not in the table.
const BinarizationMethod* FindBinarizationMethod(std::string_view name);

// Binarizes `calculated` by the method `request` names; throws
// std::invalid_argument for a name not in the table.
BinarizedHologram ApplyBinarization(const BinarizationRequest& request, const HologramField& calculated,
                                    const BinarizationContext& context);

// Every value of the whole field strictly above `threshold` (compared exactly
// in 64-bit) becomes 255, every other 0; `grey` receives the same levels in
// the field's own layout (fieldColumns x fieldRows, column by column).
void Binarize(HologramField& field, double threshold, std::vector<std::uint8_t>& grey);

// The threshold of balanced binarization: the largest value that stays black
// when exactly half of the visited values (the first columns x rows; half
// rounded down) become white. With Binarize's "strictly above the threshold
// is white" it makes exactly floor(n / 2) of the n visited values white when
// the hologram's values are distinct, fewer only by values equal to it.
// The threshold is one of the field's values (+0 where it is −0). 0 for an
// empty hologram. Counts the values in two passes on the context's threads:
// its time does not depend on the values, and it needs no copy of them.
double MedianThreshold(const HologramField& field, int columns, int rows,
                       const ExecutionContext& context = {});

}  // namespace marbleck
