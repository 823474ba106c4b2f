#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/CalculationEngine.h"
#include "engine/Cancellation.h"

namespace marbleck {

class PictureArea;
struct Document;

// What "Calculate" is asked to do, as the main window's controls say it.
struct CalculationRequest {
    // The reps box's text: the hologram's size as a multiple of the canvas.
    QString repsText;
    // Each lit point gets a random phase; otherwise every phase is 0.
    bool randomPhase = true;
    const CalculationEngine* engine = &DefaultCalculationEngine();
};

// Everything a calculation needs, read from the window before it starts, so
// that the sums can run on another thread while the window goes on.
struct PreparedCalculation {
    const CalculationEngine* engine = &DefaultCalculationEngine();
    HologramGeometry geometry;
    // The lit canvas samples in scan order, one phase each.
    std::vector<ObjectPoint> points;
    std::vector<double> phases;
};

// A calculation's result, not yet shown.
struct CalculatedHologram {
    HologramField field;
    std::vector<std::uint8_t> greyLevels;
};

// Reads the request and the canvas into a calculation and draws its phases
// (reseeding the document's random generator). Throws RunTimeError, changing
// nothing, when the reps text leaves no hologram (380) or asks for too large
// a one (7).
PreparedCalculation PrepareCalculation(const CalculationRequest& request, Document& document,
                                       const PictureArea& canvas);

// The sums, their range, the normalised field and its grey levels, on any
// thread. `lastColumnDone` receives the last canvas column accumulated as the
// work goes on. Throws CalculationCancelled soon after `cancel` is set.
CalculatedHologram RunCalculation(const PreparedCalculation& job, std::atomic<int>& lastColumnDone,
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
// document's field and grey levels.
void ShowCalculatedHologram(const PreparedCalculation& job, CalculatedHologram&& result, Document& document,
                            PictureArea& view);

// Turns the document's hologram into black and white at the threshold that
// `thresholdText` names and repaints the view. Does nothing before any
// calculation.
void BinarizeHologram(const QString& thresholdText, Document& document, PictureArea& view);

// The same at the hologram's median, so that half its values become white.
// Returns the threshold used; nothing before any calculation.
std::optional<double> BinarizeHologramBalanced(Document& document, PictureArea& view);

}  // namespace marbleck
