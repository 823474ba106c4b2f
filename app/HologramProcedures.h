#pragma once

namespace marbleck {

class Form1;
struct Module1;

// Computes the hologram of what is lit on the object canvas into the
// module's HologramField, normalises it and paints it into the hologram view.
// Throws RunTimeError before anything changes when the reps box leaves no
// hologram (380) or asks for too large a one (7).
void ComputeHologram(Form1& form, Module1& module);

// Turns the computed hologram into black and white at the threshold in the
// threshold box and repaints the view. Does nothing before any calculation.
void BinarizeHologram(Form1& form, Module1& module);

}  // namespace marbleck
