#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "engine/kinds/HologramKind.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/PanelMap.h"
#include "input/ObjectBitmapLoader.h"
#include "output/OutputFormats.h"

namespace marbleck {

class PictureArea;
struct Document;

// Makes the file that "open" chose (the document's opened path) the object:
// sizes the canvas and the hologram view and shows the bitmap on the canvas
// and its preview in the view. Nothing happens when the selected name is the
// chooser's pattern "*.bmp". A failing load throws RunTimeError and changes
// nothing.
void LoadObjectBitmap(const Document& document, PictureArea& canvas, PictureArea& view);

// "Open Object…": makes the picture file at `path` the object, whole
// (OpenFittedObject: a picture larger than the canvas may grow is scaled down
// to fit it, keeping its aspect). The input folder becomes the file's folder
// and the opened path the file's; the input file name is the file's own for
// a bitmap and its base name with ".bmp" for another picture, so that "Save
// Holo" writes a bitmap under a bitmap's name beside it. Returns the
// picture's size and the size it is shown at. A failing load throws
// RunTimeError and changes nothing.
FittedObject OpenObject(Document& document, const QString& path, PictureArea& canvas, PictureArea& view);

// What the status bar says of a picture scaled to fit the canvas.
QString FittedObjectText(const FittedObject& opened);

// "Save Hologram As…": writes what a file of the document's hologram holds
// (WriteHologramOutput: an amplitude hologram normalised or binarized, PNG
// with `depth` 8 or 16 bits; a phase hologram's panel map, its 8-bit levels
// through the panel's lookup table or φ on the panel in radians) at full
// resolution to `path` as its extension says, atomically. Throws
// RunTimeError 75 when it cannot be written (an earlier file is left as it
// was), and 481 when there is no hologram yet.
void SaveHologramAs(const Document& document, const QString& path, int depth);

// What "Save Hologram As…" offers for `hologram`: the format table's
// choices, each depth its own; for a kind of 8-bit levels only every format
// at 8 bits or in floats (a 16-bit PNG would only repeat the 8-bit levels),
// the NumPy format among them; for complex values (a 3-D hologram's complex
// field) the formats of numbers that hold complex fields only.
std::vector<SaveDialogChoice> SaveDialogChoicesFor(const Hologram& hologram);

// Writes the hologram as shown as "H-" and the input file's name into the
// input folder, shows "saving " and the path through `showStatus`, keeps the
// path in the document and makes the written file the view's background.
void SaveHologram(Document& document, PictureArea& view,
                  const std::function<void(const QString&)>& showStatus);

}  // namespace marbleck
