#pragma once

#include <QString>
#include <optional>

#include "engine/HologramCompute.h"

namespace marbleck {

class PictureArea;
class ProgressBar;
struct Document;

// What "Calculate" is asked to do, as the main window's controls say it.
struct CalculationRequest {
    // The reps box's text: the hologram's size as a multiple of the canvas.
    QString repsText;
    // Each lit point gets a random phase; otherwise every phase is 0.
    bool randomPhase = true;
    EngineKind engine = EngineKind::Exact;
};

// Computes the hologram of what is lit on the object canvas into the
// document's field and grey levels, and sizes and paints the hologram view;
// `progress` is shown while it runs. Throws RunTimeError before anything
// changes when the reps text leaves no hologram (380) or asks for too large
// a one (7).
void ComputeHologram(const CalculationRequest& request, Document& document, const PictureArea& canvas,
                     PictureArea& view, ProgressBar& progress);

// Turns the document's hologram into black and white at the threshold that
// `thresholdText` names and repaints the view. Does nothing before any
// calculation.
void BinarizeHologram(const QString& thresholdText, Document& document, PictureArea& view);

// The same at the hologram's median, so that half its values become white.
// Returns the threshold used; nothing before any calculation.
std::optional<double> BinarizeHologramBalanced(Document& document, PictureArea& view);

}  // namespace marbleck
