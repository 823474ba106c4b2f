#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "engine/kinds/phase/PhaseKind.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/LookupTable.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/phase/Refinement.h"

namespace marbleck::test {

// The kinoform of a few points on a small canvas, with random phases, so
// that its phase map has many different levels.
inline PhaseHologram SmallKinoform(std::uint64_t seed, double reps = 2) {
    HologramRequest request;
    request.object.width = 12;
    request.object.height = 9;
    request.object.litSamples = {{2, 3}, {5, 1}, {7, 7}, {10, 4}};
    request.reps = reps;
    request.randomPhase = true;
    request.seed = seed;
    return MakeKinoform(request);
}

// `hologram` as the document holds it, on a panel of its own size.
inline std::shared_ptr<const Hologram> AsHologram(PhaseHologram hologram) {
    return std::make_shared<const PhaseKindHologram>(std::move(hologram), PanelSettings{});
}

// A modulator's lookup table that is far from linear: entry k is
// round(k² / 300), so every level a map shows says which entry gave it.
inline PhaseLookupTable SquareLookupTable() {
    PhaseLookupTable table{};
    for (int k = 0; k < 256; ++k)
        table[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>((k * k + 150) / 300);
    return table;
}

// The table as a maker's file: a comment, then one level a line.
inline QByteArray LookupFileText(const PhaseLookupTable& table) {
    QByteArray text = "# grey level per phase step\n";
    for (std::uint8_t level : table) text += QByteArray::number(level) + '\n';
    return text;
}

}  // namespace marbleck::test
