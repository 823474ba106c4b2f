#include "engine/reconstruction/Figures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/core/NamedTable.h"

namespace marbleck {

namespace {

constexpr FigureEntry Table[] = {
    {"fidelity", "Fidelity",
     "the mean light on the object's spots over the mean light on the noise, the zero order left out",
     &Figures::fidelity},
    {"spread", "Spread", "the standard deviation over the mean of the spots' light: 0 for an even object",
     &Figures::spread},
    {"uniformity", "Uniformity", "1 - (max - min) / (max + min) of the spots' light: 1 for an even object",
     &Figures::uniformity},
    {"efficiency", "Efficiency", "the share of all the light, the zero order included, on the spots",
     &Figures::efficiency},
    {"signalShare", "Signal share",
     "the share of the diffracted light (the zero order removed) on the spots and their twins",
     &Figures::signalShare},
};

}  // namespace

std::span<const FigureEntry> FigureTable() { return Table; }

const FigureEntry* FindFigure(std::string_view name) { return FindNamed(FigureTable(), name); }

std::vector<std::pair<std::string_view, double>> NamedFigures(const Figures& figures) {
    std::vector<std::pair<std::string_view, double>> named;
    named.reserve(std::size(Table));
    for (const FigureEntry& entry : Table) named.emplace_back(entry.name, figures.*entry.value);
    return named;
}

SpotEvenness MeasureSpotEvenness(const Reconstruction& r, std::span<const ObjectPoint> points,
                                 const HologramGeometry& geometry) {
    double sum = 0, squares = 0;
    double least = std::numeric_limits<double>::infinity(), most = 0;
    for (const ObjectPoint p : points) {
        const BinOffset b = ObjectBin(p, geometry, r.columns, r.rows);
        double spot = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                spot += r.intensity[WrappedBin(r, r.centreX() + b.dx + dx, r.centreY() + b.dy + dy)];
        sum += spot;
        squares += spot * spot;
        least = std::min(least, spot);
        most = std::max(most, spot);
    }
    const double n = static_cast<double>(points.size());
    const double mean = sum / n;
    return {mean > 0 ? std::sqrt(std::max(0.0, squares / n - mean * mean)) / mean : Figures::None,
            most > 0 ? 1.0 - (most - least) / (most + least) : Figures::None};
}

Figures MeasureAllFigures(const Reconstruction& r, std::span<const ObjectPoint> points,
                          const HologramGeometry& geometry, ZeroOrder zeroOrder) {
    Figures figures;
    if (points.empty() || r.columns <= 0 || r.rows <= 0) return figures;
    const std::vector<BinKind> kind = ClassifyBins(r.columns, r.rows, points, geometry);
    const std::size_t centre = WrappedBin(r, r.centreX(), r.centreY());
    const bool kept = zeroOrder == ZeroOrder::Kept;

    // All the light and the spots', with the zero order; the diffracted
    // light and the signal's and twin's, without it.
    double all = 0, onSpots = 0, diffracted = 0, onObject = 0;
    for (std::size_t i = 0; i < kind.size(); ++i) {
        const double light = r.intensity[i];
        const double withZeroOrder = !kept && i == centre ? r.zeroOrder : light;
        all += withZeroOrder;
        if (kind[i] == BinKind::Signal) onSpots += withZeroOrder;
        if (kept && i == centre) continue;
        diffracted += light;
        if (kind[i] == BinKind::Signal || kind[i] == BinKind::Twin) onObject += light;
    }
    figures.efficiency = all > 0 ? onSpots / all : Figures::None;
    figures.signalShare = diffracted > 0 ? onObject / diffracted : Figures::None;

    const SpotEvenness evenness = MeasureSpotEvenness(r, points, geometry);
    figures.spread = evenness.spread;
    figures.uniformity = evenness.uniformity;

    if (kept) {
        Reconstruction withoutZeroOrder = r;
        withoutZeroOrder.intensity[centre] = 0;
        figures.fidelity = FidelityFigure(withoutZeroOrder, points, geometry);
    } else {
        figures.fidelity = FidelityFigure(r, points, geometry);
    }
    return figures;
}

}  // namespace marbleck
