#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/binarization/Binarization.h"
#include "engine/core/Cancellation.h"
#include "engine/core/HologramGeometry.h"
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
};

// A calculation read from the window before it starts, so that the sums can
// run on another thread while the window goes on: the engine's request and
// the geometry it was checked against.
struct PreparedCalculation {
    HologramRequest request;
    HologramGeometry geometry;
};

// Reads the request and the canvas into the engine's request, its phases
// seeded from the clock. Throws RunTimeError, changing nothing, when the reps
// text leaves no hologram (380) or asks for too large a one (7); the canvas
// is read only after those checks.
PreparedCalculation PrepareCalculation(const CalculateSettings& request, const PictureArea& canvas);

// The engine's calculation of `job`, on any thread. `percentDone` receives
// the progress bar's value (ProgressAfterColumn) after each canvas column
// summed. Throws CalculationCancelled soon after `cancel` is set.
HologramResult RunCalculation(const PreparedCalculation& job, std::atomic<float>& percentDone,
                              const CancelFlag* cancel = nullptr);

// What the status bar says while `job` runs: "Calculating…", and for a job
// estimated to take 2 s or more "Calculating… about N s (Esc cancels)" (N
// in minutes, "min", from 90 s), estimated from its points × values and
// the number of `sums` it makes of them (a phase hologram makes two).
QString CalculationStartText(const PreparedCalculation& job, int sums = 1);

// Whether `job` is estimated to take 2 s or more.
bool IsLongCalculation(const PreparedCalculation& job, int sums = 1);

// The progress bar's value after canvas column `x` of `job`.
float ProgressAfterColumn(const PreparedCalculation& job, int x);

// The one painter of every kind: paints `hologram`'s grey levels into the
// view (its drawing area first sized to hold every value where `sizeView`:
// a new calculation's) and makes it the document's hologram, the earlier
// one let go.
void ShowHologram(std::shared_ptr<const Hologram> hologram, Document& document, PictureArea& view,
                  bool sizeView);

// A "Binarize" by a method that runs for up to a time budget, read from the
// document before it starts, so that the method can run on another thread
// while the window goes on: the request and the document's hologram, which
// no one changes. It starts from the calculated field, whatever the view
// shows.
struct PreparedBinarization {
    BinarizationRequest request;
    std::shared_ptr<const Hologram> source;
};

// The binarization `method` of the document's calculation, for up to
// `budgetSeconds`.
PreparedBinarization PrepareBinarization(const std::string& method, double budgetSeconds,
                                         const Document& document);

// The method's binarization of `job`, on any thread, on the engine's
// threads: a new hologram, the source's calculation with it. `percentDone`
// receives its progress from 0 to 100. Throws CalculationCancelled soon
// after `cancel` is set.
std::shared_ptr<const Hologram> RunBinarization(const PreparedBinarization& job,
                                                std::atomic<float>& percentDone,
                                                const CancelFlag* cancel = nullptr);

// What the status bar says while `job` runs: "Binarizing…", and for a budget
// of 2 s or more "Binarizing… up to N s (Esc cancels)".
QString BinarizationStartText(const PreparedBinarization& job);
bool IsLongBinarization(const PreparedBinarization& job);

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
