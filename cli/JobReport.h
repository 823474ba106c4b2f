#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/kinds/HologramKind.h"
#include "engine/reconstruction/Figures.h"
#include "engine/reconstruction/PhysicalFigures.h"

namespace marbleck::cli {

// What one export did, as --report prints it.
struct ExportSummary {
    QString input;
    QString output;
    int width = 0;
    int height = 0;
    double reps = 0;
    long long points = 0;
    QString engine;
    std::optional<std::uint64_t> seed;  // only with random phases
    // The hologram's details (Hologram::details: columns, rows and the
    // kind's own), its figures (with --report) and its record, named by the
    // kind's recordName (empty: null).
    NamedValues details;
    std::optional<Figures> figures;
    std::string_view recordName;
    NamedValues record;
    QString reconstruction;                   // where the reconstruction went, "" for nowhere
    std::optional<PhysicalFigures> physical;  // with --dpi
    double seconds = 0;
};

// The JSON line of a summary: one object, figures that are none (NaN,
// infinite) as null.
QByteArray SummaryJson(const ExportSummary& summary);

}  // namespace marbleck::cli
