#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <optional>

#include "app/PanelChoice.h"
#include "app/PrintSettings.h"
#include "engine/binarization/Binarization.h"
#include "engine/core/HologramField.h"
#include "engine/kinds/HologramKind.h"
#include "engine/phase/Kinoform.h"
#include "engine/scenes/Scene.h"
#include "engine/sums/HologramResult.h"
#include "input/DrawingState.h"
#include "input/InputLocation.h"

namespace marbleck {

// `hologram` as a file holds it and a reconstruction transforms it on the
// modulator's `panel` as it is now: a phase hologram mapped onto it again
// (a new value), any other as it is (`hologram` itself). Throws std::invalid_argument for a panel that cannot
// show it.
std::shared_ptr<const Hologram> OnPanel(std::shared_ptr<const Hologram> hologram, const PanelSettings& panel);

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

    // The hologram of the last "Calculate", "Binarize" or "Refine", one value
    // of its kind (an amplitude hologram with its binarization apart, or a
    // phase hologram mapped onto the panel): what the view paints, "Save
    // Hologram As…" writes and the Reconstruction window transforms. None
    // before the first calculation. A job makes a new value; the one held
    // here never changes, so a worker may read it while the window goes on.
    std::shared_ptr<const Hologram> hologram;

    bool hasHologram() const { return hologram != nullptr; }
    // The amplitude hologram's calculation (geometry, lit samples, phases,
    // raw range, field and grey levels), its binarization and the field a
    // file holds (the binarized one after "Binarize", else the calculated
    // one); empty while the hologram is a phase one or there is none.
    const HologramResult& calculation() const;
    const std::optional<BinarizedHologram>& binarized() const { return calculation().binarization; }
    const HologramField& field() const { return binarized() ? binarized()->field : calculation().field; }
    // The phase hologram, or nullptr.
    const PhaseHologram* phase() const;
    // The phase a modulator shows ("Show on Screen…"): the phase hologram's,
    // or a 3-D hologram's phase encoding; nullptr for any other.
    const PhaseHologram* modulatorPhase() const;

    // The hologram as the view shows it, pixel for pixel: the grey levels cut
    // to the view's drawing area, with a loaded object's preview painted
    // over them, and before any of those the view's background. This is what
    // "Save Holo" writes and "Print" prints.
    QImage shownHologram;

    // The 3-D scene "Open 3-D Scene…" read last, which a hologram of the
    // scene kind is made of; none before. Never changed in place, so a worker
    // may read it while the window goes on.
    std::shared_ptr<const Scene> scene;

    // The modulator the phase hologram is mapped onto for "Show on Screen…"
    // and "Save Hologram As…" (the hologram's value is mapped again when it
    // changes).
    PanelChoice panel;

    // The path "Save Holo" last wrote to (or tried to); empty before.
    QString savedHologramPath;

    // The print's resolution, scale, laser and screen.
    PrintSettings print;

    // What the canvas's drawing tools remember between mouse events.
    DrawingState drawing;
};

}  // namespace marbleck
