#pragma once

#include <QString>
#include <cstdint>

#include "cli/CliOptions.h"
#include "cli/JobReport.h"
#include "cli/ObjectControl.h"

namespace marbleck::cli {

// Makes the hologram of the image `object` as the options ask (its kind,
// post-processing and limits), with random phases drawn from a generator
// seeded with `seed`, and writes it to `output` atomically; with
// options.reconstruct, also the reconstruction picture to `reconstruction`.
// Throws ExportError: the input status naming the object for what cannot be
// read or made, the write status naming the file that cannot be written.
ExportSummary ExportObject(const CliOptions& options, const QString& object, const QString& output,
                           std::uint64_t seed, const ExportProgress& progress = {},
                           const QString& reconstruction = {});

}  // namespace marbleck::cli
