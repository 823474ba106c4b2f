#include "ObjectBitmapLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <fstream>
#include <vector>

#include "ObjectPreview.h"
#include "PictureArea.h"
#include "RunTimeError.h"
#include "Screen.h"

namespace marbleck {

namespace {

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

ObjectBitmap readObjectFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        throw RunTimeError(ErrorNumber::FileNotFound, "File not found: " + path.toStdString());
    }
    std::ifstream file;
    if (!info.isDir()) file.open(native(path), std::ios::binary);
    if (!file.is_open()) {
        throw RunTimeError(ErrorNumber::PathFileAccessError,
                           "Path/File access error: cannot open " + path.toStdString());
    }
    return ReadObjectBitmap(file);
}

// The picture as the platform shows it, whatever the headers read above say.
// The reader's allocation limit refuses a header that claims more pixels than
// is sensible before any memory is taken for them.
QImage decodePicture(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage picture = reader.read();
    if (picture.isNull()) {
        throw RunTimeError(ErrorNumber::InvalidPicture,
                           "Invalid picture: " + reader.errorString().toStdString());
    }
    return picture;
}

// Twips for a side of `pixels` screen pixels, capped.
double cappedTwips(float twipsPerPixel, std::int32_t pixels) {
    return std::min(MaxCanvasTwips, static_cast<double>(twipsPerPixel) * pixels);
}

// Paints the preview in bulk: the same pixels as setting each point (x, yMax − j)
// in view pixels, restricted to the points that fall inside the view.
void drawPreview(const ObjectPixels& pixels, PictureArea& view) {
    const QSize area = view.drawingAreaSize();
    const int columns = std::min(pixels.xMax() + 1, area.width());
    const int rows = std::min(pixels.yMax() + 1, area.height());
    if (columns <= 0 || rows <= 0) return;
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    ForEachObjectPreviewPoint(pixels, area.width(), area.height(), [&](int x, int y, bool white) {
        grey[static_cast<std::size_t>(x) * static_cast<std::size_t>(rows) + static_cast<std::size_t>(y)] =
            white ? 255 : 0;
    });
    view.paintGreyColumns(grey.data(), columns, rows);
}

}  // namespace

std::optional<ObjectBitmap> LoadObjectBitmap(const QString& inputFilePath,
                                             const QString& selectedFileName, PictureArea& canvas,
                                             PictureArea& view) {
    // The chooser shows its pattern as a name before any file was picked.
    if (selectedFileName == QStringLiteral("*.bmp")) return std::nullopt;

    ObjectBitmap bitmap = readObjectFile(inputFilePath);
    const QImage picture = decodePicture(inputFilePath);

    const double canvasWidth = cappedTwips(Screen::TwipsPerPixelX(), bitmap.infoHeader.width);
    const double canvasHeight = cappedTwips(Screen::TwipsPerPixelY(), bitmap.infoHeader.height);
    canvas.setOuterWidth(static_cast<float>(canvasWidth));
    canvas.setOuterHeight(static_cast<float>(canvasHeight));
    canvas.setPicture(picture);

    // Both sides of the view come from the canvas height: the view is square.
    view.setOuterHeight(static_cast<float>(canvasHeight));
    view.setOuterWidth(static_cast<float>(canvasHeight));
    drawPreview(bitmap.pixels, view);
    return bitmap;
}

}  // namespace marbleck
