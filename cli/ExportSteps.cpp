#include "cli/ExportSteps.h"

#include <new>
#include <stdexcept>

#include "cli/CalculationDeadline.h"
#include "cli/ExitStatus.h"
#include "cli/ObjectControl.h"
#include "output/FileWriteError.h"
#include "output/HologramOutput.h"
#include "platform/RunTimeError.h"

namespace marbleck::cli {

JobResult RunUntilDeadline(const HologramJob& job, ExecutionContext context,
                           std::optional<double> maxSeconds) {
    CancelFlag cancel{false};
    std::optional<CalculationDeadline> deadline;
    if (maxSeconds) deadline.emplace(*maxSeconds, cancel);
    context.cancelFlag = &cancel;
    try {
        return RunJob(job, context);
    } catch (const CalculationCancelled&) {
        throw CalculationTooLong(
            QStringLiteral("stopped after %1 s (--max-seconds)").arg(maxSeconds.value_or(0)).toStdString());
    }
}

void AsObjectsFailure(const QString& object, const std::function<void()>& step) {
    try {
        step();
    } catch (const RunTimeError& error) {
        throw ExportError(ExitStatus::Input, object, error.description());
    } catch (const CalculationTooLong& error) {
        throw ExportError(ExitStatus::Input, object, error.what());
    } catch (const std::invalid_argument& error) {
        throw ExportError(ExitStatus::Input, object, error.what());
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Input, object, "out of memory");
    }
}

void WriteOutputs(const HologramJob& job, const JobResult& result, int threads) {
    try {
        WriteJobOutputs(job, result, RunContext(threads));
    } catch (const FileWriteError& error) {
        throw ExportError(ExitStatus::Write, error.file(), error.what(), error.runTimeError());
    }
}

void TakeResult(ExportSummary& summary, const JobResult& result) {
    const Hologram& hologram = *result.hologram;
    summary.details = hologram.details();
    summary.figures = result.figures;
    summary.recordName = hologram.kind().recordName;
    summary.record = hologram.record();
}

}  // namespace marbleck::cli
