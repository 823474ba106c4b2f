#pragma once

#include <limits>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/reconstruction/Reconstruction.h"

namespace marbleck {

// What a hologram's far field says of it, the same five figures for every
// kind of hologram. NaN where a figure is none (no lit samples, no light).
struct Figures {
    static constexpr double None = std::numeric_limits<double>::quiet_NaN();
    double fidelity = None;
    double spread = None;
    double uniformity = None;
    double efficiency = None;
    double signalShare = None;
};

// One figure: its name (the report's field, Python's key), the label a
// window shows and what it measures.
struct FigureEntry {
    std::string_view name;
    std::string_view label;
    std::string_view description;
    double Figures::*value;
};

// The figure table, in the order every list of figures follows: fidelity,
// spread, uniformity, efficiency, signalShare.
std::span<const FigureEntry> FigureTable();

// The entry named `name`, or nullptr.
const FigureEntry* FindFigure(std::string_view name);

// The figures by their names, in the table's order.
std::vector<std::pair<std::string_view, double>> NamedFigures(const Figures& figures);

// Whether the reconstruction's centre bin holds the zero order (formed with
// the mean of the transmittance kept) or not (removed; its `zeroOrder`
// then says how much light the zero order held).
enum class ZeroOrder { Kept, Removed };

// The evenness of the light in the 3 x 3 bins around each lit point's
// ObjectBin (a spot per lit point, bins wrapping round): spread, the standard
// deviation over the mean (0 for an even object), and uniformity,
// 1 − (max − min) / (max + min) (1 for an even object); None without light.
struct SpotEvenness {
    double spread = Figures::None;
    double uniformity = Figures::None;
};
SpotEvenness MeasureSpotEvenness(const Reconstruction& r, std::span<const ObjectPoint> points,
                                 const HologramGeometry& geometry);

// The five figures of one reconstruction of a hologram of the geometry's
// columns x rows for its lit samples. A spot is the 3 x 3 bins round a lit
// sample's ObjectBin (wrapping round), one a sample; its light is read from
// the reconstruction as given. Fidelity is FidelityFigure without the zero
// order; signalShare the share of the light without the zero order on the
// signal and twin bins; efficiency the share of all the light, the zero
// order included, on the signal bins.
Figures MeasureAllFigures(const Reconstruction& reconstruction, std::span<const ObjectPoint> points,
                          const HologramGeometry& geometry, ZeroOrder zeroOrder);

}  // namespace marbleck
