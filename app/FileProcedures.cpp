#include "app/FileProcedures.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <stdexcept>

#include "app/Document.h"
#include "input/ObjectBitmapLoader.h"
#include "output/FileWriteError.h"
#include "output/HologramOutput.h"
#include "output/HologramSaver.h"
#include "output/OutputFormats.h"
#include "platform/RunTimeError.h"

namespace marbleck {

void LoadObjectBitmap(const Document& document, PictureArea& canvas, PictureArea& view) {
    LoadObjectBitmap(document.input.openedPath, document.input.fileName, canvas, view);
}

FittedObject OpenObject(Document& document, const QString& path, PictureArea& canvas, PictureArea& view) {
    const QFileInfo file(path);
    const bool bitmap = file.suffix().compare(QStringLiteral("bmp"), Qt::CaseInsensitive) == 0;
    FittedObject opened = OpenFittedObject(path, canvas, view);
    document.input.folder = file.absolutePath();
    document.input.fileName = bitmap ? file.fileName() : file.completeBaseName() + QStringLiteral(".bmp");
    document.input.openedPath = path;
    return opened;
}

QString FittedObjectText(const FittedObject& opened) {
    return QStringLiteral("Picture of %1 × %2 pixels scaled to %3 × %4 to fit the canvas")
        .arg(opened.pictureSize.width())
        .arg(opened.pictureSize.height())
        .arg(opened.shownSize.width())
        .arg(opened.shownSize.height());
}

namespace {

// The writer's failure as the run-time error the window shows.
template <class Write>
void WriteOrThrow(const QString& path, Write&& write) {
    try {
        write();
    } catch (const FileWriteError& error) {
        // The writer's own errors already name the file and the cause.
        if (error.runTimeError() != 0) throw RunTimeError(error.runTimeError(), error.what());
        throw RunTimeError(ErrorNumber::PathFileAccessError, "Path/File access error: cannot write " +
                                                                 path.toStdString() + ": " + error.what());
    }
}

}  // namespace

void SaveHologramAs(const Document& document, const QString& path, int depth) {
    if (!document.hasHologram()) {
        throw RunTimeError(ErrorNumber::InvalidPicture, "Invalid picture: there is no hologram to save yet");
    }
    std::shared_ptr<const Hologram> written;
    try {
        written = OnPanel(document.hologram, document.panel.settings);
    } catch (const std::invalid_argument& error) {
        throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                           std::string("Invalid property value: the panel: ") + error.what());
    }
    WriteOrThrow(path, [&] { WriteHologramOutput(*written, depth, path); });
}

// A kind of 8-bit levels only (a phase hologram's) is offered every format
// at 8 bits or in floats, the NumPy format among them.
std::vector<SaveDialogChoice> SaveDialogChoicesFor(const Hologram& hologram) {
    const FileContent content = hologram.fileContent();
    if (content.takesDepth) return SaveDialogChoices();
    // Complex values go only to the formats that hold them.
    const bool complex = content.values == nullptr && !content.complex.empty();
    std::vector<SaveDialogChoice> choices;
    for (const OutputFormat& format : OutputFormats()) {
        if (!format.depths.empty() && !format.takesDepth(8)) continue;
        if (format.depths.empty() && complex && format.writeComplex == nullptr) continue;
        // A pair of files is not the one name the dialog asked about replacing.
        if (complex && format.complexPair) continue;
        QStringList patterns;
        for (const QString& extension : format.extensions) patterns.append(QStringLiteral("*.") + extension);
        const QString bits = !format.depths.empty() ? QStringLiteral(" 8-bit")
                             : complex              ? QStringLiteral(" complex")
                                                    : QStringLiteral(" float");
        choices.push_back(
            {format.label + bits + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'),
             &format, 8});
    }
    return choices;
}

void SaveHologram(Document& document, PictureArea& view,
                  const std::function<void(const QString&)>& showStatus) {
    SaveHologram(document.input.folder, document.input.fileName, document.shownHologram, view, showStatus,
                 document.savedHologramPath);
}

}  // namespace marbleck
