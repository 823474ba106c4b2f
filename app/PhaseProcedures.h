#pragma once

#include <QString>

#include "app/HologramProcedures.h"
#include "engine/phase/Refinement.h"

namespace marbleck {

struct Document;

// A refinement of a copy of the document's phase hologram (the document's
// own stays as it is until the job succeeds), with what the status bar says
// while it runs: "Refining… N iterations", and for one that may take
// seconds ", up to N s (Esc cancels)" or " (Esc cancels)". Throws
// RunTimeError 481 without a phase hologram.
PreparedPostProcessing PrepareRefinement(const RefinementRequest& request, const Document& document);

// What a refinement did: "Efficiency 0.77 → 0.90 in 30 iterations, 0.1 s"
// ("-" for a figure that is none).
QString RefinementText(const RefinementRecord& record);

}  // namespace marbleck
