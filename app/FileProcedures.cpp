#include "app/FileProcedures.h"

#include <QFileInfo>
#include <algorithm>

#include "app/Document.h"
#include "input/ObjectBitmapLoader.h"
#include "output/FileWriteError.h"
#include "output/HologramSaver.h"
#include "output/OutputFormats.h"
#include "platform/RunTimeError.h"

namespace marbleck {

void LoadObjectBitmap(const Document& document, PictureArea& canvas, PictureArea& view) {
    LoadObjectBitmap(document.input.openedPath, document.input.fileName, canvas, view);
}

void OpenObject(Document& document, const QString& path, PictureArea& canvas, PictureArea& view) {
    const QFileInfo file(path);
    const bool bitmap = file.suffix().compare(QStringLiteral("bmp"), Qt::CaseInsensitive) == 0;
    if (bitmap) {
        LoadObjectBitmap(path, file.fileName(), canvas, view);
    } else {
        LoadObjectImage(path, canvas, view);
    }
    document.input.folder = file.absolutePath();
    document.input.fileName = bitmap ? file.fileName() : file.completeBaseName() + QStringLiteral(".bmp");
    document.input.openedPath = path;
}

void SaveHologramAs(const Document& document, const QString& path, int depth) {
    if (!document.hasHologram()) {
        throw RunTimeError(ErrorNumber::InvalidPicture, "Invalid picture: there is no hologram to save yet");
    }
    try {
        WriteHologramFile(document.field(), document.binarized.has_value(), depth, path);
    } catch (const FileWriteError& error) {
        // The writer's own errors already name the file and the cause.
        if (error.runTimeError() != 0) throw RunTimeError(error.runTimeError(), error.what());
        throw RunTimeError(ErrorNumber::PathFileAccessError, "Path/File access error: cannot write " +
                                                                 path.toStdString() + ": " + error.what());
    }
}

void SaveHologram(Document& document, PictureArea& view,
                  const std::function<void(const QString&)>& showStatus) {
    SaveHologram(document.input.folder, document.input.fileName, document.shownHologram, view, showStatus,
                 document.savedHologramPath);
}

}  // namespace marbleck
