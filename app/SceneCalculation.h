#pragma once

#include "app/HologramProcedures.h"
#include "app/SceneSettings.h"

namespace marbleck {

struct Document;

// "Calculate" of a kind of 3-D scenes (`request.kind`): the document's scene
// with the post-processing `settings` ask for, its geometry that of their
// plane, its phases seeded from the clock as the canvas's. Throws, changing
// nothing, RunTimeError 380 when there is no scene yet or a setting is
// refused (ReadSceneSettings).
PreparedCalculation PrepareSceneCalculation(const CalculateSettings& request, const Document& document,
                                            const SceneSettings& settings);

}  // namespace marbleck
