#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

#include "cli/CliOptions.h"
#include "engine/kinds/HologramJob.h"

namespace marbleck::cli {

// The job the options make of a decoded object image: every pixel that is
// not black is a point (its brightness PictureBrightness), W and H are the
// image's size, the kind, reps, engine and phases from `seed` the options',
// with their binarization ("median" the balanced method, "optimise" the
// optimised one with their budget) or --phase's refinement and panel, the
// figures with --report, and the hologram to `output` (and the
// reconstruction to `reconstruction`, "" for none).
HologramJob ObjectJob(const CliOptions& options, const QImage& image, std::uint64_t seed,
                      const QString& output = {}, const QString& reconstruction = {});

}  // namespace marbleck::cli
