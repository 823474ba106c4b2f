#include "engine/PhaseHologram.h"

#include <stdexcept>

namespace marbleck {

namespace {

constexpr RefinementMethodEntry Methods[] = {
    {RefinementMethod::GerchbergSaxton, "gs", "Gerchberg–Saxton"},
    {RefinementMethod::Weighted, "weighted", "Weighted Gerchberg–Saxton"},
};

constexpr PanelSize Presets[] = {{1920, 1080}, {1920, 1200}, {1280, 1024}, {1272, 1024}};

}  // namespace

std::span<const RefinementMethodEntry> RefinementMethods() { return Methods; }

const RefinementMethodEntry* FindRefinementMethod(std::string_view name) {
    for (const auto& entry : Methods)
        if (entry.name == name) return &entry;
    return nullptr;
}

const RefinementMethodEntry& RefinementMethodEntryOf(RefinementMethod method) {
    for (const auto& entry : Methods)
        if (entry.method == method) return entry;
    throw std::invalid_argument("unknown refinement method");
}

std::span<const PanelSize> PanelPresets() { return Presets; }

Reconstruction ReconstructPhase(const HologramField&, int, int, ReconstructionOptions) {
    throw std::logic_error("not built yet");
}
PhaseFigures MeasurePhaseFigures(const HologramField&, std::span<const ObjectPoint>,
                                 const HologramGeometry&) {
    throw std::logic_error("not built yet");
}
PhaseHologram MakeKinoform(HologramRequest, std::vector<float>, const CalculationControl&, ThreadPool&) {
    throw std::logic_error("not built yet");
}
void RefinePhaseHologram(PhaseHologram&, const RefinementRequest&, const CalculationControl&) {
    throw std::logic_error("not built yet");
}
PhaseHologram MakePhaseHologram(PhaseRequest, const CalculationControl&) {
    throw std::logic_error("not built yet");
}
PhaseLookupTable LinearLookupTable(int) { return {}; }
PhaseLookupTable ParseLookupTable(std::string_view) { throw std::logic_error("not built yet"); }
PanelMap MapToPanel(const PhaseHologram&, const PanelSettings&) { throw std::logic_error("not built yet"); }

}  // namespace marbleck
