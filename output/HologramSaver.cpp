#include "output/HologramSaver.h"

#include <QImage>
#include <QImageReader>

#include "output/HologramBitmapWriter.h"
#include "widgets/PictureArea.h"
#include "platform/RunTimeError.h"

namespace marbleck {

void SaveHologram(const QString& folderPath, const QString& selectedFileName, PictureArea& view,
                  const std::function<void(const QString&)>& showStatus,
                  std::string& savedHologramPath) {
    const QString path = folderPath + QLatin1Char('/') + QStringLiteral("H-") + selectedFileName;
    savedHologramPath = path.toStdString();
    showStatus(QStringLiteral("saving ") + path);

    WriteHologramBitmap(view.image(), path);

    QImageReader reader(path, "bmp");
    const QImage saved = reader.read();
    if (saved.isNull()) {
        throw RunTimeError(ErrorNumber::InvalidPicture,
                           "Invalid picture: " + reader.errorString().toStdString());
    }
    view.setPicture(saved);
}

}  // namespace marbleck
