#include "app/FileProcedures.h"

#include <QLabel>

#include "app/MainWindow.h"
#include "output/HologramSaver.h"
#include "input/InputFileChooserHost.h"
#include "app/Document.h"
#include "input/ObjectBitmapLoader.h"

namespace marbleck {

void LoadObjectBitmap(MainWindow& form, Document& module) {
    std::optional<ObjectBitmap> loaded =
        LoadObjectBitmap(QString::fromStdString(module.inputFilePath),
                         form.fileChooser().selectedFileName(), *form.objectCanvas, *form.hologramView);
    if (!loaded) return;
    module.ObjectFileHeader = loaded->fileHeader;
    module.ObjectInfoHeader = loaded->infoHeader;
    module.ObjectColourTable = loaded->colourTable;
    module.ObjectPixels = std::move(loaded->pixels);
}

void SaveHologram(MainWindow& form, Document& module) {
    InputFileChooserHost& chooser = form.fileChooser();
    SaveHologram(chooser.folderPath(), chooser.selectedFileName(), *form.hologramView,
                 [&](const QString& status) { form.statusLabel->setText(status); },
                 module.savedHologramPath);
}

}  // namespace marbleck
