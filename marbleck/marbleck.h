#pragma once

// Marbleck's hologram engine for other programs: the one header to include,
//   #include <marbleck/marbleck.h>
// with find_package(Marbleck) and Marbleck::engine linked. It names every
// installed header of the engine and the platform beneath it, and nothing
// else; what is not here is the engine's own and may change.

// Running a call: its threads, cancelling and progress.
#include "engine/Cancellation.h"
#include "engine/ExecutionContext.h"
#include "engine/ThreadPool.h"

// The object, the hologram's geometry and its field.
#include "engine/HologramField.h"
#include "engine/HologramGeometry.h"
#include "engine/MaskSampler.h"
#include "engine/ObjectPoint.h"

// Either kind of hologram as one job: the kinds table, the job and its
// runner, the figures of both kinds.
#include "engine/Figures.h"
#include "engine/HologramJob.h"
#include "engine/HologramKind.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/phase/PhaseKind.h"

// Amplitude holograms: the request, the engines, the one call, the result.
#include "engine/Binarization.h"
#include "engine/CalculationEngine.h"
#include "engine/CalculationWork.h"
#include "engine/FastHologramEngine.h"
#include "engine/HologramCalculation.h"
#include "engine/HologramRequest.h"
#include "engine/HologramResult.h"
#include "engine/Normalisation.h"

// Reconstructions and their figures.
#include "engine/ComplexFarField.h"
#include "engine/PhysicalFigures.h"
#include "engine/Reconstruction.h"
#include "engine/SpectrumPlan.h"

// Phase holograms for a spatial light modulator.
#include "engine/Kinoform.h"
#include "engine/LookupTable.h"
#include "engine/LookupTableFile.h"
#include "engine/PanelMap.h"
#include "engine/PhaseFigures.h"
#include "engine/Refinement.h"

// The platform: run-time errors, numbers as text, the clock, random numbers,
// BLAS's threads.
#include "platform/BlasThreads.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "platform/OutOfResources.h"
#include "platform/RandomGenerator.h"
#include "platform/RunTimeError.h"
