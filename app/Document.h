#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

#include "app/PrintSettings.h"
#include "engine/HologramEngine.h"
#include "engine/HologramField.h"
#include "engine/HologramGeometry.h"
#include "input/DrawingState.h"
#include "input/InputLocation.h"
#include "platform/RandomGenerator.h"

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

    // The normalised hologram, or after "Binarize" its black and white form;
    // empty until the first calculation.
    HologramField field;
    // The hologram's grey levels at full resolution, column by column
    // (field.rows() levels a column).
    std::vector<std::uint8_t> greyLevels;

    // The last calculation's sizes and its lit canvas samples, in scan
    // order: where the hologram's first columns x rows values lie, and where
    // its object's image should appear in its reconstruction.
    HologramGeometry geometry;
    std::vector<ObjectPoint> litPoints;

    // The hologram as the view shows it, pixel for pixel: the grey levels cut
    // to the view's drawing area, with a loaded object's preview painted
    // over them, and before any of those the view's background. This is what
    // "Save Holo" writes and "Print" prints.
    QImage shownHologram;

    // The path "Save Holo" last wrote to (or tried to); empty before.
    QString savedHologramPath;

    // The print's resolution, scale, laser and screen.
    PrintSettings print;

    // What the canvas's drawing tools remember between mouse events.
    DrawingState drawing;

    // Draws the random phases; reseeded from the clock by each calculation.
    RandomGenerator random;
};

}  // namespace marbleck
