#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "cli/JobReport.h"
#include "engine/core/ExecutionContext.h"
#include "engine/kinds/HologramJob.h"

namespace marbleck::cli {

// The steps every object's export takes, whatever its kind: the job run
// under the --max-seconds deadline, the engine's failures as the object's,
// the outputs written, and the result's part of the report.

// Runs `job` with `context`, its cancel flag one that a deadline of
// `maxSeconds` sets (none: no deadline). Throws CalculationTooLong ("stopped
// after S s (--max-seconds)") when the deadline stops it, and what RunJob
// throws.
JobResult RunUntilDeadline(const HologramJob& job, ExecutionContext context,
                           std::optional<double> maxSeconds);

// Runs `step`, its failures (a RunTimeError, CalculationTooLong,
// std::invalid_argument, no memory) as ExportError with the input status
// naming `object`.
void AsObjectsFailure(const QString& object, const std::function<void()>& step);

// Writes the job's outputs (WriteJobOutputs) with the run's context of
// `threads`; a FileWriteError becomes ExportError with the write status
// naming the file.
void WriteOutputs(const HologramJob& job, const JobResult& result, int threads);

// The hologram's details, figures, record name and record into `summary`.
void TakeResult(ExportSummary& summary, const JobResult& result);

}  // namespace marbleck::cli
