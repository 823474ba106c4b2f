#include "FileProcedures.h"

#include <QLabel>

#include "Form1.h"
#include "HologramSaver.h"
#include "InputChooser.h"
#include "Module1.h"
#include "ObjectBitmapLoader.h"

namespace marbleck {

void LoadObjectBitmap(Form1& form, Module1& module) {
    std::optional<ObjectBitmap> loaded =
        LoadObjectBitmap(QString::fromStdString(module.InputFilePath),
                         form.fileChooser().selectedFileName(), *form.Picture1, *form.Picture2);
    if (!loaded) return;
    module.ObjectFileHeader = loaded->fileHeader;
    module.ObjectInfoHeader = loaded->infoHeader;
    module.ObjectColourTable = loaded->colourTable;
    module.ObjectPixels = std::move(loaded->pixels);
}

void SaveHologram(Form1& form, Module1& module) {
    InputChooser& chooser = form.fileChooser();
    SaveHologram(chooser.folderPath(), chooser.selectedFileName(), *form.Picture2,
                 [&](const QString& status) { form.Label5->setText(status); },
                 module.SavedHologramPath);
}

}  // namespace marbleck
