#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/kinds/HologramKind.h"
#include "engine/phase/Kinoform.h"
#include "engine/reconstruction/Figures.h"
#include "engine/scenes/Scene.h"
#include "engine/sums/HologramRequest.h"

namespace marbleck {

// The brightness a lit sample of colour (red, green, blue) asks for: that of
// its brightest channel's level, BrightnessOfLevel. Every caller that takes
// samples from a picture takes their brightness so.
inline float BrightnessOfColour(int red, int green, int blue) {
    return BrightnessOfLevel(std::max({red, green, blue}));
}

// One hologram to make, as plain data.
struct HologramJob {
    // The object: its size and lit samples, and each sample's brightness
    // (relative intensities; empty: all equal). An amplitude hologram adds
    // every sample at full strength whatever its brightness.
    HologramObject object;
    std::vector<float> brightness;
    // The 3-D scene of a kind that takes one (HologramKind::sceneFiles), in
    // place of the object.
    std::shared_ptr<const Scene> scene;
    // The kind's name in the kinds table.
    std::string kind = "amplitude";
    // The repetition factor, the engine's name, and random phases from `seed`
    // (see HologramRequest).
    double reps = 1;
    std::string engine = "exact";
    bool randomPhase = false;
    std::uint64_t seed = 0;
    // What the kind does after the sums (a binarization, a refinement and a
    // panel); null for none. The kind reads its own type only.
    std::shared_ptr<const KindPostProcessing> postProcessing;

    // What RunJob adds: the figures of the hologram and the reconstruction
    // of what its files hold.
    bool figures = false;
    bool reconstruction = false;
    // Where the outputs go (written by output/'s WriteJobOutputs, not by
    // RunJob): file names as bytes, and the grey depth of formats that take
    // one; the reconstruction picture as a PNG; empty for none.
    struct Output {
        std::string path;
        int depth = 8;
    };
    std::vector<Output> outputs;
    std::string reconstructionPath;
};

// Seconds each stage of a job took.
struct JobTimings {
    double sums = 0;
    double normalising = 0;
    double postProcessing = 0;  // a binarization, a refinement, a panel
    double measuring = 0;       // the figures and the reconstruction
};

// What a job made.
struct JobResult {
    std::unique_ptr<Hologram> hologram;
    // With job.figures.
    std::optional<Figures> figures;
    // With job.reconstruction: reconstruct() of the hologram.
    std::optional<Reconstruction> reconstruction;
    JobTimings seconds;
};

// Makes the job's hologram by its kind's entry, then its figures and
// reconstruction where the job asks for them. Throws std::invalid_argument
// for a kind not in the table, and whatever the kind's engine calls throw
// (see MakeHologram, MakePhaseHologram, MapToPanel), CalculationCancelled
// among them.
JobResult RunJob(const HologramJob& job, const ExecutionContext& context = {});

// The request of the engine's sums for a job: its object, reps, engine and
// phases.
inline HologramRequest RequestOf(const HologramJob& job) {
    HologramRequest request;
    request.object = job.object;
    request.reps = job.reps;
    request.engine = job.engine;
    request.randomPhase = job.randomPhase;
    request.seed = job.seed;
    return request;
}

}  // namespace marbleck
