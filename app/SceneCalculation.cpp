#include "app/SceneCalculation.h"

#include "app/Document.h"
#include "engine/scenes/FieldEncoding.h"
#include "platform/RandomGenerator.h"
#include "platform/RunTimeError.h"

namespace marbleck {

PreparedCalculation PrepareSceneCalculation(const CalculateSettings& request, const Document& document,
                                            const SceneSettings& settings) {
    if (!document.scene)
        throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                           "Invalid property value: a 3-D hologram is made of a 3-D scene, and there is none "
                           "(File > Open 3-D Scene…)");
    std::shared_ptr<const ScenePostProcessing> steps = ReadSceneSettings(settings);
    PreparedCalculation job;
    job.kind = request.kind;
    job.geometry = GeometryOfPlane(steps->plane);
    job.request.engine = request.engine;
    job.request.randomPhase = request.randomPhase;
    job.request.seed = ClockSeed();
    job.scene = document.scene;
    job.postProcessing = std::move(steps);
    return job;
}

}  // namespace marbleck
