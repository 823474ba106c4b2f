#pragma once

#include <QString>
#include <cstdint>

#include "cli/CliOptions.h"
#include "cli/JobReport.h"
#include "cli/ObjectControl.h"

namespace marbleck::cli {

// Makes the 3-D hologram of the scene `object` as the options ask (a .ply
// or .xyz point cloud, or a colour picture with the options' depth picture)
// and writes it to `output` atomically; with options.reconstruct, also the
// reconstruction at the focus depths to `reconstruction`. An exact sum (or
// spots' refinement) of more than ExactWorkBound point-pixels is refused
// without --max-seconds. Throws ExportError: the input status naming the
// object for a scene that cannot be read (the reader's line or vertex) or
// made, the write status naming the file that cannot be written.
ExportSummary ExportScene(const CliOptions& options, const QString& object, const QString& output,
                          std::uint64_t seed, const ExportProgress& progress = {},
                          const QString& reconstruction = {});

}  // namespace marbleck::cli
