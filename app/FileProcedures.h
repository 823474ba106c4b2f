#pragma once

#include <QString>
#include <functional>

namespace marbleck {

class PictureArea;
struct Document;

// Makes the file that "open" chose (the document's opened path) the object:
// sizes the canvas and the hologram view and shows the bitmap on the canvas
// and its preview in the view. Nothing happens when the selected name is the
// chooser's pattern "*.bmp". A failing load throws RunTimeError and changes
// nothing.
void LoadObjectBitmap(const Document& document, PictureArea& canvas, PictureArea& view);

// Writes the hologram as shown as "H-" and the input file's name into the
// input folder, shows "saving " and the path through `showStatus`, keeps the
// path in the document and makes the written file the view's background.
void SaveHologram(Document& document, PictureArea& view,
                  const std::function<void(const QString&)>& showStatus);

}  // namespace marbleck
