#include "output/HologramSaver.h"

#include <QImage>
#include <QImageReader>

#include "output/HologramBitmapWriter.h"
#include "platform/RunTimeError.h"
#include "widgets/PictureArea.h"

namespace marbleck {

void SaveHologram(const QString& inputFolder, const QString& inputFileName, const QImage& shownHologram,
                  PictureArea& view, const std::function<void(const QString&)>& showStatus,
                  QString& savedHologramPath) {
    const QString path = inputFolder + QLatin1Char('/') + QStringLiteral("H-") + inputFileName;
    savedHologramPath = path;
    showStatus(QStringLiteral("saving ") + path);

    WriteHologramBitmap(shownHologram, path);

    QImageReader reader(path, "bmp");
    const QImage saved = reader.read();
    if (saved.isNull()) {
        throw RunTimeError(ErrorNumber::InvalidPicture,
                           "Invalid picture: " + reader.errorString().toStdString());
    }
    view.setPicture(saved);
}

}  // namespace marbleck
