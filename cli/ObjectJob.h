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
// image's size, the kind (with each sample's brightness where it weighs
// them), its post-processing, reps, engine and phases from `seed` the
// options', the figures with --report, and the hologram to `output` (and the
// reconstruction to `reconstruction`, "" for none).
HologramJob ObjectJob(const CliOptions& options, const QImage& image, std::uint64_t seed,
                      const QString& output = {}, const QString& reconstruction = {});

}  // namespace marbleck::cli
