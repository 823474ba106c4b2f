#pragma once

#include <memory>
#include <string>

#include "engine/kinds/HologramKind.h"
#include "engine/kinds/scene/SceneKind.h"

namespace marbleck {

// The scene kind's readOptions: the hologram's plane ("size" WxH, "pitch" in
// µm), its wavelengths (the caller's "wavelength", nm, one or several
// separated by commas), "method" points or layers with "layers" N and the
// switch "occlusion", "encode", "refine" N for 3-D spots, "focus" M or
// M1:M2:N for the reconstruction, and a colour-plus-depth scene's
// "depth-map" with "near" and "far" in metres and "object-pitch" in µm.
// Throws KindOptionError with the command line's one-line reason for a value
// its option does not take, a plane or focal stack over the limits, and
// options that do not go together (--layers or --occlusion without --method
// layers, --object-pitch without --depth-map,
// --refine with an encoding other than phase, with layers or with the
// caller's "random-phase", --near or --far
// without --depth-map and the other way round).
std::shared_ptr<KindPostProcessing> ReadSceneOptions(const KindOptionValues& given);

// A depth picture's "object-pitch" in µm as metres, for a caller that keeps
// it apart from the picture it spaces. Throws KindOptionError as
// ReadSceneOptions does for it.
double ReadObjectPitch(const std::string& text);

// The encodings' options of a scene hologram, read into `steps` after its
// plane, wavelengths and encoding: the phase kind's panel ("slm", "two-pi",
// "lut", "tilt", "lens" in metres, the lens at the hologram's pitch and
// wavelength) for the phase and double-phase encodings, the panel's size the
// hologram's unless "size" is given and then the same; "reference-angle"
// DEG or DEGX,DEGY and "binarize" (a threshold or balanced) for the
// amplitude encoding. Throws KindOptionError for an option of another
// encoding, a size other than the panel's, a panel with several
// wavelengths, a reference angle beyond the pitch's limit at the first
// wavelength, and what the phase kind refuses of its panel.
void ReadSceneEncodingOptions(const KindOptionValues& given, ScenePostProcessing& steps);

}  // namespace marbleck
