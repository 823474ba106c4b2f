#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/kinds/HologramKind.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/phase/Refinement.h"

namespace marbleck {

// A phase hologram's post-processing: its refinement, if any, and the panel
// it is shown on (none: the hologram's own size, the linear table of 255).
struct PhasePostProcessing : KindPostProcessing {
    std::optional<RefinementRequest> refinement;
    std::optional<PanelSettings> panel;
    // The file (its name's bytes) of the panel's lookup table, "" for none:
    // readInputFiles() reads it into the panel.
    std::string lookupFile;

    std::vector<KindInputFile> inputFiles() const override;
    std::shared_ptr<const KindPostProcessing> readInputFiles() const override;
    int iterationsOverValues() const override { return refinement ? refinement->iterations : 0; }
};

// A phase hologram (a modulator's): MakePhaseHologram's result and its
// panel map, which is what files hold and a reconstruction transforms.
class PhaseKindHologram : public Hologram {
public:
    // Maps `hologram` onto `panel` on the context's threads (see
    // MapToPanel, which throws).
    PhaseKindHologram(PhaseHologram hologram, const PanelSettings& panel,
                      const ExecutionContext& context = {});

    const PhaseHologram& hologram() const { return hologram_; }
    const PanelMap& panel() const { return panel_; }

    const HologramKind& kind() const override;
    const HologramGeometry& geometry() const override { return hologram_.geometry; }
    std::span<const ObjectPoint> litSamples() const override { return hologram_.litSamples; }
    ViewLevels view() const override;
    FileContent fileContent() const override;
    Reconstruction reconstruct(const ExecutionContext& context = {}) const override;
    // The hologram's own figures (not its panel's), the signal share from
    // its far field.
    Figures figures(const Reconstruction* reconstructed = nullptr,
                    const ExecutionContext& context = {}) const override;
    NamedValues details() const override;
    NamedValues record() const override;
    // Refines the hologram as `steps` asks (a PhasePostProcessing) and maps
    // it onto the panel it names again.
    void postProcess(const KindPostProcessing& steps, const ExecutionContext& context = {}) override;
    std::unique_ptr<Hologram> clone() const override { return std::make_unique<PhaseKindHologram>(*this); }

private:
    void mapTo(const PanelSettings& panel, const ExecutionContext& context);

    PhaseHologram hologram_;
    PanelMap panel_;
    // The panel's levels as a field whose grey levels they are.
    HologramField panelLevels_;
};

// A phase hologram's four figures of old as the five, the signal share none.
Figures FiguresOf(const PhaseFigures& figures);

// The kinds table's "phase" entry.
const HologramKind& PhaseKind();

}  // namespace marbleck
