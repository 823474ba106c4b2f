#pragma once

// Marbleck's hologram engine for other programs: the one header to include,
//   #include <marbleck/marbleck.h>
// with find_package(Marbleck) and Marbleck::engine linked. It names every
// installed header of the engine and the platform beneath it, itself or
// through kinds.h, and nothing else; what is not here is the engine's own and
// may change.

// Running a call: its threads, cancelling and progress.
#include "engine/core/Cancellation.h"
#include "engine/core/ExecutionContext.h"
#include "engine/core/ThreadPool.h"

// The object, the hologram's geometry and its field.
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/core/RegularFile.h"
#include "engine/objects/MaskSampler.h"

// Any kind of hologram as one job: the kinds table, the job and its runner,
// option values kept as text, the figures of every kind, and each kind's own
// header (kinds.h, which the build makes from the kinds' folders and installs
// beside this one).
#include "engine/kinds/HologramJob.h"
#include "engine/kinds/HologramKind.h"
#include "engine/kinds/OptionTextMap.h"
#include "engine/reconstruction/Figures.h"
#include "kinds.h"

// Amplitude holograms: the request, the engines, the one call, the result.
#include "engine/binarization/Binarization.h"
#include "engine/core/CalculationWork.h"
#include "engine/sums/CalculationEngine.h"
#include "engine/sums/FastHologramEngine.h"
#include "engine/sums/HologramCalculation.h"
#include "engine/sums/HologramRequest.h"
#include "engine/sums/HologramResult.h"
#include "engine/sums/Normalisation.h"

// Reconstructions and their figures.
#include "engine/reconstruction/ComplexFarField.h"
#include "engine/reconstruction/PhysicalFigures.h"
#include "engine/reconstruction/Reconstruction.h"
#include "engine/transforms/SpectrumPlan.h"

// 3-D scenes in physical units: their points, the hologram plane and its
// complex field, the exact sum of a scene's points, the field's encodings,
// spots at depth for a modulator; point-cloud files and colour-plus-depth
// pictures; the field's propagation, the layer method and the refocus.
#include "engine/scenes/AngularSpectrum.h"
#include "engine/scenes/DepthMapScene.h"
#include "engine/scenes/FieldEncoding.h"
#include "engine/scenes/FocusByDepth.h"
#include "engine/scenes/LayerHologram.h"
#include "engine/scenes/PointCloudFile.h"
#include "engine/scenes/PointSum.h"
#include "engine/scenes/Refocus.h"
#include "engine/scenes/Scene.h"
#include "engine/scenes/ScenePlane.h"
#include "engine/scenes/SpotRefinement.h"

// Phase holograms for a spatial light modulator.
#include "engine/phase/Kinoform.h"
#include "engine/phase/LookupTable.h"
#include "engine/phase/LookupTableFile.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/phase/Refinement.h"

// The platform: run-time errors, numbers as text, the clock, random numbers,
// BLAS's threads.
#include "platform/BlasThreads.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "platform/OutOfResources.h"
#include "platform/RandomGenerator.h"
#include "platform/RunTimeError.h"
