#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

#include "cli/CliOptions.h"
#include "engine/HologramJob.h"

namespace marbleck::cli {

// The picture of an object file as the window reads it (what the image
// libraries print meanwhile is not shown). Throws ExportError with the input
// status.
QImage ReadObjectImage(const QString& object);

// The brightness each sample of `image` asks for: BrightnessOfColour of its
// pixel. Throws std::bad_alloc.
std::vector<float> SampleBrightness(const QImage& image, const std::vector<ObjectPoint>& samples);

// The job the options make of a decoded object image: every pixel that is
// not black is a point (its brightness its colour's), W and H are the
// image's size, the kind, reps, engine and phases from `seed` the options',
// with their binarization ("median" the balanced method, "optimise" the
// optimised one with their budget) or --phase's refinement and panel, the
// figures with --report, and the hologram to `output` (and the
// reconstruction to `reconstruction`, "" for none).
HologramJob ObjectJob(const CliOptions& options, const QImage& image, std::uint64_t seed,
                      const QString& output = {}, const QString& reconstruction = {});

}  // namespace marbleck::cli
