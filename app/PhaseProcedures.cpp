#include "app/PhaseProcedures.h"

#include <cmath>
#include <memory>
#include <utility>

#include "app/Document.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "platform/NumberText.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

// Refinements of more values × iterations than this are said to take
// seconds: one iteration is two transforms of the hologram's size, and 30
// iterations of a 1920 × 1080 hologram take a few seconds on two cores.
constexpr double LongRefinementWork = 1 << 26;

QString Figure(double value, int decimals) {
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("-");
}

}  // namespace

// The refined hologram lies on a panel of its own size, as a calculated
// one does: what the panel matters for maps it again (OnPanel).
PreparedPostProcessing PrepareRefinement(const RefinementRequest& request, const Document& document) {
    const PhaseHologram* phase = document.phase();
    if (phase == nullptr)
        throw RunTimeError(ErrorNumber::InvalidPicture,
                           "Invalid picture: there is no phase hologram to refine");
    auto steps = std::make_shared<PhasePostProcessing>();
    steps->refinement = request;
    const double values = static_cast<double>(phase->geometry.columns) * phase->geometry.rows;
    PreparedPostProcessing job{
        document.hologram, std::move(steps),
        QStringLiteral("Refining… %1 iterations").arg(request.iterations),
        request.budgetSeconds >= 2 || values * request.iterations >= LongRefinementWork};
    if (!job.longJob) return job;
    if (request.budgetSeconds > 0)
        job.startText += QStringLiteral(", up to %1 s (Esc cancels)")
                             .arg(QString::fromStdString(WriteNumber(request.budgetSeconds)));
    else
        job.startText += QStringLiteral(" (Esc cancels)");
    return job;
}

QString RefinementText(const RefinementRecord& record) {
    return QStringLiteral("Efficiency %1 → %2 in %3 iterations, %4 s")
        .arg(Figure(record.start.efficiency, 2), Figure(record.end.efficiency, 2))
        .arg(record.iterations)
        .arg(QString::number(record.seconds, 'f', 1));
}

}  // namespace marbleck
