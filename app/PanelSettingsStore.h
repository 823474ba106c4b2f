#pragma once

#include <QString>

#include "app/PanelChoice.h"

namespace marbleck {

// The modulator's panel as the settings keep it from one run to the next
// (QSettings, beside WindowSettings' keys). The lookup table is kept as its
// file's path and read again at the start; a value that is out of range
// reads as the start-up state.
class PanelSettingsStore {
public:
    struct Restored {
        PanelChoice choice;
        // Why the kept lookup table file could not be read, with the linear
        // table used instead; empty when it was read or there was none.
        QString notice;
    };
    static Restored read();
    static void write(const PanelChoice& choice);
};

}  // namespace marbleck
