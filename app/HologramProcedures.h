#pragma once

namespace marbleck {

class MainWindow;
struct Document;

// Computes the hologram of what is lit on the object canvas into the
// module's HologramField, normalises it and paints it into the hologram view.
// Throws RunTimeError before anything changes when the reps box leaves no
// hologram (380) or asks for too large a one (7).
void ComputeHologram(MainWindow& form, Document& module);

// Turns the computed hologram into black and white at the threshold in the
// threshold box and repaints the view. Does nothing before any calculation.
void BinarizeHologram(MainWindow& form, Document& module);

}  // namespace marbleck
