#pragma once

#include <memory>

#include "engine/kinds/HologramKind.h"

namespace marbleck {

// The scene kind's readOptions: the hologram's plane ("size" WxH, "pitch" in
// µm), its wavelengths (the caller's "wavelength", nm, one or several
// separated by commas), "method" points or layers with "layers" N, "encode",
// "refine" N for 3-D spots, "focus" M or M1:M2:N for the reconstruction, and
// a colour-plus-depth scene's "depth-map" with "near" and "far" in metres.
// Throws KindOptionError with the command line's one-line reason for a value
// its option does not take, a plane or focal stack over the limits, and
// options that do not go together (--layers without --method layers,
// --refine with an encoding other than phase or with layers, --near or --far
// without --depth-map and the other way round).
std::shared_ptr<KindPostProcessing> ReadSceneOptions(const KindOptionValues& given);

}  // namespace marbleck
