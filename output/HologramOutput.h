#pragma once

#include <QImage>
#include <QString>

#include "engine/kinds/HologramJob.h"
#include "engine/kinds/HologramKind.h"
#include "engine/reconstruction/Reconstruction.h"

namespace marbleck {

// Writes what a hologram of any kind holds (Hologram::fileContent) by the
// output's format in the format table: grey levels (of `depth` bits where
// the kind takes a depth, else 8) to PNG and BMP, values to TIFF and NumPy,
// complex values to the formats that take them (NumPy) and no other;
// a name of no format as PNG. Atomic: an earlier file survives any failure.
// Throws FileWriteError naming `output` ("out of memory" for lack of it).
void WriteHologramOutput(const Hologram& hologram, int depth, const QString& output);

// The picture of a reconstruction: LogScaleLevels at DefaultDecades (on the
// context's threads), row y of the image its row y. Throws std::bad_alloc.
QImage ReconstructionImage(const Reconstruction& reconstruction, const ExecutionContext& context = {});

// Writes a reconstruction's picture as a PNG, atomically. Throws
// FileWriteError naming `output`.
void WriteReconstructionPicture(const Reconstruction& reconstruction, const QString& output,
                                const ExecutionContext& context = {});

// Writes a job's outputs: the hologram to each of job.outputs, then the
// reconstruction to job.reconstructionPath when the job has both. File
// names are the bytes of the job's paths. Throws FileWriteError naming the
// file that failed; the files before it stay written.
void WriteJobOutputs(const HologramJob& job, const JobResult& result, const ExecutionContext& context = {});

}  // namespace marbleck
