#pragma once

#include <span>
#include <string_view>

#include "engine/core/ExecutionContext.h"
#include "engine/phase/PhaseFigures.h"

namespace marbleck {

// Refining a kinoform (Gerchberg–Saxton): light moved from the noise onto
// the object's points by transforms back and forth.

// The ways of refining a kinoform; names are what the settings and the
// command line's --refine-method use, labels what a menu shows.
enum class RefinementMethod {
    // Gerchberg–Saxton: the target's amplitudes on its bins with the far
    // field's own phases, part of the light on the rest of their spots kept
    // (more light leaves the noise), nothing elsewhere, back to phase only;
    // repeated.
    GerchbergSaxton,
    // Weighted Gerchberg–Saxton (Di Leonardo et al. 2007): each target bin's
    // amplitude is weighted by how far below the mean its light fell, so the
    // spots even out; the target's phases are held fixed for the last third
    // of the iterations (Kim et al. 2019), which evens them further.
    Weighted,
};
struct RefinementMethodEntry {
    RefinementMethod method;
    std::string_view name;   // "gs", "weighted"
    std::string_view label;  // "Gerchberg–Saxton", "Weighted Gerchberg–Saxton"
};
std::span<const RefinementMethodEntry> RefinementMethods();
// The entry named `name`, or nullptr.
const RefinementMethodEntry* FindRefinementMethod(std::string_view name);
const RefinementMethodEntry& RefinementMethodEntryOf(RefinementMethod method);

struct RefinementRequest {
    RefinementMethod method = RefinementMethod::GerchbergSaxton;
    // Iterations to run, above 0. One iteration is a forward and an inverse
    // transform of the hologram's size.
    int iterations = 30;
    // Seconds after which it stops at the end of an iteration, whatever the
    // iterations; 0 for no limit.
    double budgetSeconds = 0;
};

struct RefinementRecord {
    RefinementMethod method = RefinementMethod::GerchbergSaxton;
    PhaseFigures start;
    PhaseFigures end;
    int iterations = 0;  // iterations run
    double seconds = 0;
};

struct PhaseHologram;  // engine/phase/Kinoform.h

// Refines `hologram` in place toward its lit samples' target bins (their
// brightness as the target intensities), then measures it again. Progress
// (the context's progress) after every iteration; throws
// CalculationCancelled leaving `hologram` as it was, std::bad_alloc, and
// std::invalid_argument for iterations below 1 or a negative budget.
void RefinePhaseHologram(PhaseHologram& hologram, const RefinementRequest& request,
                         const ExecutionContext& context = {});

}  // namespace marbleck
