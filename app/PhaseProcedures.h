#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <vector>

#include "app/HologramProcedures.h"
#include "engine/core/Cancellation.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/Refinement.h"

namespace marbleck {

class PictureArea;
struct Document;

// The requested brightness of each of `object`'s lit samples (scan order),
// read from the canvas pixel each sample reads.
std::vector<float> CanvasBrightness(const PictureArea& canvas, const HologramObject& object);

// A phase job read from the window before it starts, so that it can run on
// another thread while the window goes on: either a kinoform of the canvas
// or a refinement of a copy of the document's phase hologram (the document's
// own stays as it is until the job succeeds).
struct PreparedPhase {
    enum class Kind { Kinoform, Refinement };
    Kind kind = Kind::Kinoform;
    // A kinoform's request and geometry, and its samples' brightness.
    PreparedCalculation calculation;
    std::vector<float> brightness;
    // A refinement's hologram and request.
    PhaseHologram hologram;
    RefinementRequest refinement;
    // The panel the hologram made is mapped onto.
    PanelSettings panel;
};

// The kinoform of the canvas as "Calculate" reads it (PrepareCalculation's
// checks and errors), with the canvas's brightness, for the document's panel.
PreparedPhase PrepareKinoform(const CalculateSettings& request, const PictureArea& canvas,
                              const Document& document);

// A refinement of the document's phase hologram; throws RunTimeError 481
// without one.
PreparedPhase PrepareRefinement(const RefinementRequest& request, const Document& document);

// The job's phase hologram, mapped onto the job's panel, on any thread.
// `percentDone` receives the progress bar's value. Throws
// CalculationCancelled soon after `cancel` is set.
std::shared_ptr<const Hologram> RunPhaseJob(PreparedPhase& job, std::atomic<float>& percentDone,
                                            const CancelFlag* cancel = nullptr);

// What the status bar says while `job` runs, and whether it may take seconds.
QString PhaseStartText(const PreparedPhase& job);
bool IsLongPhaseJob(const PreparedPhase& job);

// What a refinement did: "Efficiency 0.77 → 0.90 in 30 iterations, 0.1 s"
// ("-" for a figure that is none).
QString RefinementText(const RefinementRecord& record);

}  // namespace marbleck
