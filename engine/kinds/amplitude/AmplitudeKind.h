#pragma once

#include <optional>

#include "engine/binarization/Binarization.h"
#include "engine/kinds/HologramKind.h"
#include "engine/sums/HologramResult.h"

namespace marbleck {

// An amplitude hologram's post-processing: its binarization, if any.
struct AmplitudePostProcessing : KindPostProcessing {
    std::optional<BinarizationRequest> binarization;
};

// An amplitude hologram (a print's): MakeHologram's result, its
// binarization apart from the calculated field.
class AmplitudeHologram : public Hologram {
public:
    explicit AmplitudeHologram(HologramResult result) : result_(std::move(result)) {}

    const HologramResult& result() const { return result_; }
    // The binarized field if any, else the calculated one: what a file holds.
    const HologramField& field() const;

    const HologramKind& kind() const override;
    const HologramGeometry& geometry() const override { return result_.geometry; }
    std::span<const ObjectPoint> litSamples() const override { return result_.litSamples; }
    ViewLevels view() const override;
    FileContent fileContent() const override;
    Reconstruction reconstruct(const ExecutionContext& context = {}) const override;
    Figures figures(const Reconstruction* reconstructed = nullptr,
                    const ExecutionContext& context = {}) const override;
    NamedValues details() const override;
    NamedValues record() const override;
    // Binarizes the calculated field again as `steps` asks (an
    // AmplitudePostProcessing; none lets the binarization go).
    void postProcess(const KindPostProcessing& steps, const ExecutionContext& context = {}) override;
    std::unique_ptr<Hologram> clone() const override { return std::make_unique<AmplitudeHologram>(*this); }

private:
    HologramResult result_;
};

// The five figures of an amplitude hologram's figures of old (fidelity,
// spread, signal share), the others none.
Figures FiguresOf(const HologramFigures& figures);

// The kinds table's "amplitude" entry.
const HologramKind& AmplitudeKind();

}  // namespace marbleck
