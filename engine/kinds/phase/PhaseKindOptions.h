#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/kinds/HologramKind.h"
#include "engine/phase/PanelMap.h"

namespace marbleck {

// The refinement table's names, "gs or weighted"; with `help`, each with its
// label and the default marked ("gs (Gerchberg–Saxton, the default) or ...").
std::string RefinementMethodChoices(bool help);

// The phase kind's readOptions: the refinement ("refine", "refine-method")
// and the panel ("slm", "fill", "two-pi", "lut", "tilt", "lens", "pitch",
// and the caller's "wavelength" as the lens's), a lookup table file only
// named (PhasePostProcessing::readInputFiles reads it). Throws
// KindOptionError for a value that is not what its option takes, a panel
// over the engine's limits, a tilt beyond ±0.5 cycles per pixel, "two-pi"
// with "lut", "fill" without "slm", "refine-method" without "refine", a lens
// without its pitch (its wavelength DefaultLensWavelengthNm unless given) or
// whose phase is beyond any number, and a wavelength or pitch without a lens.
std::shared_ptr<KindPostProcessing> ReadPhaseOptions(const KindOptionValues& given);

// Reads the lookup table file `file` (its name's bytes) into `panel`, made
// the default panel where there is none. Throws KindInputFileError naming
// the file with the reason it cannot be taken ("out of memory" among them).
void ReadPanelLookupTable(const std::string& file, std::optional<PanelSettings>& panel);

}  // namespace marbleck
