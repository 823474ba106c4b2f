#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/HologramExport.h"
#include "engine/HologramGeometry.h"
#include "engine/Kinoform.h"

namespace marbleck::cli {

// The requested brightness of each lit sample of a picture: its grey level
// (the largest of red, green and blue) over 255, a relative intensity.
std::vector<float> SampleBrightness(const QImage& image, const std::vector<ObjectPoint>& samples);

// Throws CalculationTooLong for a refinement of more than
// RefinementWorkBound values × iterations without options.maxSeconds.
void RefuseUnboundedRefinement(const CliOptions& options, const HologramGeometry& geometry);

// The phase hologram of a decoded object image as the options ask: the
// samples, reps, engine and phases of CalculateObjectHologram, each sample's
// brightness from its grey level, refined by options.phase's refinement.
// Throws what CalculateObjectHologram throws and what
// RefuseUnboundedRefinement throws.
PhaseHologram CalculateObjectPhaseHologram(const CliOptions& options, const QImage& image, std::uint64_t seed,
                                           const ExportProgress& progress = {});

// Calculates the phase hologram of the image `object`, maps it to the
// options' panel and writes the panel to `output`: its grey levels through
// the lookup table to .png and .bmp, its phase in radians to .tif, .tiff
// and .npy. With options.reconstruct, also the far field of the panel's
// phase to `reconstruction`. Throws ExportError.
ExportSummary ExportPhaseHologram(const CliOptions& options, const QString& object, const QString& output,
                                  std::uint64_t seed, const ExportProgress& progress = {},
                                  const QString& reconstruction = {});

}  // namespace marbleck::cli
