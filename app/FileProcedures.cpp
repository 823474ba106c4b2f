#include "app/FileProcedures.h"

#include "app/Document.h"
#include "input/ObjectBitmapLoader.h"
#include "output/HologramSaver.h"

namespace marbleck {

void LoadObjectBitmap(const Document& document, PictureArea& canvas, PictureArea& view) {
    LoadObjectBitmap(document.input.openedPath, document.input.fileName, canvas, view);
}

void SaveHologram(Document& document, PictureArea& view,
                  const std::function<void(const QString&)>& showStatus) {
    SaveHologram(document.input.folder, document.input.fileName, document.shownHologram, view, showStatus,
                 document.savedHologramPath);
}

}  // namespace marbleck
