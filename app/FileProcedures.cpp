#include "app/FileProcedures.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <stdexcept>

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
    if (document.phase) return WritePhaseHologramFile(*document.phase, document.panel.settings, path);
    if (!document.hasHologram()) {
        throw RunTimeError(ErrorNumber::InvalidPicture, "Invalid picture: there is no hologram to save yet");
    }
    WriteOrThrow(path,
                 [&] { WriteHologramFile(document.field(), document.binarized.has_value(), depth, path); });
}

void WritePhaseHologramFile(const PhaseHologram& hologram, const PanelSettings& panel, const QString& path) {
    PanelMap map;
    try {
        map = MapToPanel(hologram, panel);
    } catch (const std::invalid_argument& error) {
        throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                           std::string("Invalid property value: the panel: ") + error.what());
    }
    // A name of no format is written as the first, PNG, as for any hologram.
    const OutputFormat* format = OutputFormatOf(path);
    const bool greyLevels = format == nullptr || !format->depths.empty();
    if (greyLevels) {
        // The 8-bit writers take values in [0, 1]: level / 255 comes back as
        // the level itself.
        HologramField levels(map.phase.columns(), map.phase.rows());
        std::transform(map.levels.begin(), map.levels.end(), levels.values().begin(),
                       [](std::uint8_t level) { return static_cast<float>(level) / 255.0f; });
        map = {};
        WriteOrThrow(path, [&] { WriteHologramFile(levels, false, 8, path); });
    } else {
        WriteOrThrow(path, [&] { WriteHologramFile(map.phase, false, 8, path); });
    }
}

std::vector<SaveDialogChoice> PhaseSaveDialogChoices() {
    std::vector<SaveDialogChoice> choices;
    for (const OutputFormat& format : OutputFormats()) {
        if (!format.depths.empty() && !format.takesDepth(8)) continue;
        QStringList patterns;
        for (const QString& extension : format.extensions) patterns.append(QStringLiteral("*.") + extension);
        const QString bits = format.depths.empty() ? QStringLiteral(" float") : QStringLiteral(" 8-bit");
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
