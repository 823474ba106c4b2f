#pragma once

#include <QImage>
#include <QString>
#include <optional>

#include "app/PanelChoice.h"
#include "app/PrintSettings.h"
#include "engine/Binarization.h"
#include "engine/HologramField.h"
#include "engine/HologramResult.h"
#include "engine/Kinoform.h"
#include "input/DrawingState.h"
#include "input/InputLocation.h"

namespace marbleck {

// The state of record of one run of the program, shared by the windows and
// the procedures; it lives as long as the main window, which hands it on.
//
// The object itself is what the object canvas shows: a loaded picture with
// whatever was drawn over it. The hologram is kept here at full resolution;
// the hologram view shows the part of it that fits its drawing area, and
// saving and printing take the hologram as shown from here.
struct Document {
    // The input folder and file, and the path "open" last loaded.
    InputLocation input;

    // The last calculation as the engine made it: its geometry (where the
    // hologram's first columns x rows values lie), its lit canvas samples in
    // scan order (where its object's image should appear in its
    // reconstruction), their phases, the raw range, the normalised field and
    // its grey levels. The field is empty until the first calculation.
    HologramResult calculation;
    // What "Binarize" made of the hologram, with the method and threshold
    // that made it; none while the calculated field is shown.
    std::optional<BinarizedHologram> binarized;

    bool hasHologram() const { return !calculation.field.empty(); }
    // The hologram the view shows at full resolution: the binarized field
    // after "Binarize", the calculated one before.
    const HologramField& field() const { return binarized ? binarized->field : calculation.field; }

    // The hologram as the view shows it, pixel for pixel: the grey levels cut
    // to the view's drawing area, with a loaded object's preview painted
    // over them, and before any of those the view's background. This is what
    // "Save Holo" writes and "Print" prints.
    QImage shownHologram;

    // The last phase hologram ("Options" > "Hologram" > "Phase (SLM)"), as
    // "Calculate" and "Refine" left it; none after an amplitude calculation.
    std::optional<PhaseHologram> phase;
    // The modulator the phase hologram is mapped onto for "Show on Screen…"
    // and "Save Hologram As…".
    PanelChoice panel;

    // The path "Save Holo" last wrote to (or tried to); empty before.
    QString savedHologramPath;

    // The print's resolution, scale, laser and screen.
    PrintSettings print;

    // What the canvas's drawing tools remember between mouse events.
    DrawingState drawing;
};

}  // namespace marbleck
