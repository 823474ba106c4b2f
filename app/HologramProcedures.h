#pragma once

#include <QString>
#include <atomic>
#include <optional>
#include <string>

#include "engine/Cancellation.h"
#include "engine/HologramGeometry.h"
#include "engine/HologramRequest.h"
#include "engine/HologramResult.h"

namespace marbleck {

class PictureArea;
struct Document;

// What "Calculate" is asked to do, as the main window's controls say it.
struct CalculationRequest {
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
PreparedCalculation PrepareCalculation(const CalculationRequest& request, const PictureArea& canvas);

// The engine's calculation of `job`, on any thread. `lastColumnDone`
// receives the last canvas column summed as the work goes on. Throws
// CalculationCancelled soon after `cancel` is set.
HologramResult RunCalculation(const PreparedCalculation& job, std::atomic<int>& lastColumnDone,
                              const CancelFlag* cancel = nullptr);

// What the status bar says while `job` runs: "Calculating…", and for a job
// estimated to take 2 s or more "Calculating… about N s (Esc cancels)" (N
// in minutes, "min", from 90 s), estimated from its points × values.
QString CalculationStartText(const PreparedCalculation& job);

// Whether `job` is estimated to take 2 s or more.
bool IsLongCalculation(const PreparedCalculation& job);

// The progress bar's value after canvas column `x` of `job`.
float ProgressAfterColumn(const PreparedCalculation& job, int x);

// Sizes and paints the hologram view for the result and makes it the
// document's calculation, shown as calculated.
void ShowCalculatedHologram(HologramResult&& result, Document& document, PictureArea& view);

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
