#pragma once

#include <QString>

#include "engine/phase/PanelMap.h"

namespace marbleck {

// The modulator a phase hologram is shown on, as the user set it up: the
// engine's panel settings (size, fill, tilt, lens, lookup table) and where
// the lookup table came from.
struct PanelChoice {
    PanelSettings settings;
    // The lookup table file the settings' table was read from; empty when
    // the table is the linear one of `twoPiLevel`.
    QString lookupFile;
    // The grey level that delays by 2π, for the linear table.
    int twoPiLevel = 255;
};

}  // namespace marbleck
