#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/binarization/Binarization.h"
#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramGeometry.h"
#include "engine/kinds/HologramJob.h"
#include "engine/kinds/HologramKind.h"
#include "engine/sums/HologramRequest.h"
#include "engine/sums/HologramResult.h"

namespace marbleck {

class PictureArea;
struct Document;

// What "Calculate" is asked to do, as the main window's controls say it.
struct CalculateSettings {
    // The reps box's text: the hologram's size as a multiple of the canvas.
    QString repsText;
    // Each lit point gets a random phase; otherwise every phase is 0.
    bool randomPhase = true;
    // The engine's name in the engine table.
    std::string engine = "exact";
    // The kind the "Hologram" submenu chose.
    const HologramKind* kind = HologramKinds().front();
};

// A calculation read from the window before it starts, so that the sums can
// run on another thread while the window goes on: the engine's request, the
// geometry it was checked against, the kind and each lit sample's
// brightness.
struct PreparedCalculation {
    HologramRequest request;
    HologramGeometry geometry;
    const HologramKind* kind = HologramKinds().front();
    std::vector<float> brightness;
    // A kind of 3-D scenes' scene and post-processing (PrepareSceneCalculation).
    std::shared_ptr<const Scene> scene;
    std::shared_ptr<const KindPostProcessing> postProcessing;
};

// Reads the request and the canvas into the engine's request, its phases
// seeded from the clock. Throws RunTimeError, changing nothing, when the reps
// text leaves no hologram (380) or asks for too large a one (7); the canvas
// is read only after those checks. A hologram whose loops visit no value
// is refused here (380) by a kind that refuses it, not on the worker.
PreparedCalculation PrepareCalculation(const CalculateSettings& request, const PictureArea& canvas);

// The job "Calculate" runs: the prepared object, brightness, kind, reps,
// engine and phases, and a scene's scene and post-processing; `prepared` is
// emptied.
HologramJob CalculationJob(PreparedCalculation&& prepared);

// The requested brightness of each of `object`'s lit samples (scan order),
// read from the canvas pixel each sample reads.
std::vector<float> CanvasBrightness(const PictureArea& canvas, const HologramObject& object);

// What the status bar says while `job` runs: "Calculating…", and for a job
// estimated to take 2 s or more "Calculating… about N s (Esc cancels)" (N
// in minutes, "min", from 90 s), estimated from its points × values and
// the number of sums its kind makes of them.
QString CalculationStartText(const PreparedCalculation& job);

// Whether `job` is estimated to take 2 s or more.
bool IsLongCalculation(const PreparedCalculation& job);

// The progress bar's value after canvas column `x` of a calculation of
// `geometry`.
float ProgressAfterColumn(const HologramGeometry& geometry, int x);

// What the status bar says of a hologram just calculated in `seconds`:
// "Hologram 300 × 300 in 0.25 s", the kind's caption and the columns and
// rows its details name.
QString CalculatedText(const Hologram& hologram, double seconds);

// The one painter of every kind: paints `hologram`'s grey levels into the
// view (its drawing area first sized to hold every value where `sizeView`:
// a new calculation's) and makes it the document's hologram, the earlier
// one let go.
void ShowHologram(std::shared_ptr<const Hologram> hologram, Document& document, PictureArea& view,
                  bool sizeView);

// A post-processing of the document's hologram that runs on the worker
// (an optimised "Binarize", a "Refine"), read from the window before it
// starts: the kind's steps, applied to a copy of the document's hologram,
// which no one changes; what the status bar says while it runs, and whether
// it may take seconds (said at once).
struct PreparedPostProcessing {
    std::shared_ptr<const Hologram> source;
    std::shared_ptr<const KindPostProcessing> steps;
    QString startText;
    bool longJob = false;
};

// The binarization `method` of the document's calculation, for up to
// `budgetSeconds`: it starts from the calculated field, whatever the view
// shows. The status bar says "Binarizing…", and for a budget of 2 s or more
// "Binarizing… up to N s (Esc cancels)".
PreparedPostProcessing PrepareBinarization(const std::string& method, double budgetSeconds,
                                           const Document& document);

// A copy of `job`'s hologram post-processed by its steps, on any thread.
// Throws CalculationCancelled soon after the context's cancel is set.
std::shared_ptr<const Hologram> RunPostProcessing(const PreparedPostProcessing& job,
                                                  const ExecutionContext& context);

// What an optimised binarization did: "Fidelity 44 → 93 in 1.1 s", the
// figures rounded to whole numbers ("-" for none), the seconds to one decimal.
QString OptimisationText(const OptimisationRecord& record);

// What the hologram's record says in the status bar: an optimised
// binarization's as OptimisationText, a refinement's as RefinementText;
// empty without a record.
QString RecordText(const Hologram& hologram);

// Makes the hologram the view shows black and white by the binarization
// method `method` (a name in the binarization table), at the threshold that
// `thresholdText` names where the method takes one, records the method and
// its threshold in the document and repaints the view. The shown hologram
// is binarized, so a second "Binarize" at the same threshold changes
// nothing; the calculated field stays as it was. Returns the threshold used;
// nothing before any calculation.
std::optional<double> BinarizeShownHologram(const std::string& method, const QString& thresholdText,
                                            Document& document, PictureArea& view);

}  // namespace marbleck
