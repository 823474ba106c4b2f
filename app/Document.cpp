#include "app/Document.h"

#include <utility>

#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "engine/kinds/scene/SceneKind.h"

namespace marbleck {

const HologramResult& Document::calculation() const {
    static const HologramResult none;
    const auto* amplitude = dynamic_cast<const AmplitudeHologram*>(hologram.get());
    return amplitude != nullptr ? amplitude->result() : none;
}

const PhaseHologram* Document::phase() const {
    const auto* phase = dynamic_cast<const PhaseKindHologram*>(hologram.get());
    return phase != nullptr ? &phase->hologram() : nullptr;
}

const PhaseHologram* Document::modulatorPhase() const {
    if (const PhaseHologram* own = phase()) return own;
    const auto* scene = dynamic_cast<const SceneHologram*>(hologram.get());
    return scene != nullptr ? scene->phaseHologram() : nullptr;
}

std::shared_ptr<const Hologram> OnPanel(std::shared_ptr<const Hologram> hologram,
                                        const PanelSettings& panel) {
    if (dynamic_cast<const PhaseKindHologram*>(hologram.get()) == nullptr) return hologram;
    std::unique_ptr<Hologram> mapped = hologram->clone();
    PhasePostProcessing steps;
    steps.panel = panel;
    mapped->postProcess(steps);
    return mapped;
}

}  // namespace marbleck
