#include "input/ObjectBitmapLoader.h"

#include <QImage>
#include <algorithm>
#include <vector>

#include "input/core/ObjectPreview.h"
#include "input/picture/ObjectFile.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {

namespace {

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

// The canvas and view sizes a bitmap gives.
struct ObjectSize {
    double canvasWidth;
    double canvasHeight;
    // The canvas's outer size in pixels, which bounds what its drawing area shows.
    QSize outerPixels;
};

ObjectSize objectSize(const ObjectBitmap& bitmap) {
    const double width = cappedTwips(Screen::TwipsPerPixelX(), bitmap.infoHeader.width);
    const double height = cappedTwips(Screen::TwipsPerPixelY(), bitmap.infoHeader.height);
    return {width, height,
            QSize(TwipsToPixels(width, Screen::TwipsPerPixelX()),
                  TwipsToPixels(height, Screen::TwipsPerPixelY()))};
}

// Sizes the canvas and the view for `bitmap` and shows `picture` (already cut
// to the outer size) on the canvas and the bitmap's preview in the view.
void showObject(const ObjectBitmap& bitmap, const ObjectSize& size, const QImage& picture,
                PictureArea& canvas, PictureArea& view) {
    canvas.setOuterWidth(static_cast<float>(size.canvasWidth));
    canvas.setOuterHeight(static_cast<float>(size.canvasHeight));
    // Only what the drawing area shows is kept.
    const QRect shown = QRect(QPoint(0, 0), canvas.drawingAreaSize()).intersected(picture.rect());
    canvas.setPicture(picture.copy(shown));

    // Both sides of the view come from the canvas height: the view is square.
    view.setOuterHeight(static_cast<float>(size.canvasHeight));
    view.setOuterWidth(static_cast<float>(size.canvasHeight));
    drawPreview(bitmap.pixels, view);
}

// What the canvas's outer size shows of the object's picture.
QSize keptPictureSize(const ObjectBitmap& bitmap) { return objectSize(bitmap).outerPixels; }

}  // namespace

std::optional<ObjectBitmap> LoadObjectBitmap(const QString& inputFilePath, const QString& selectedFileName,
                                             PictureArea& canvas, PictureArea& view) {
    // The chooser shows its pattern as a name before any file was picked.
    if (selectedFileName == QStringLiteral("*.bmp")) return std::nullopt;

    ObjectFile object = ReadObjectFile(inputFilePath, ObjectFileKind::Bitmap, keptPictureSize);
    showObject(object.bitmap, objectSize(object.bitmap), object.picture, canvas, view);
    return std::move(object.bitmap);
}

ObjectBitmap LoadObjectImage(const QString& path, PictureArea& canvas, PictureArea& view) {
    ObjectFile object = ReadObjectFile(path, ObjectFileKind::Picture, keptPictureSize);
    showObject(object.bitmap, objectSize(object.bitmap), object.picture, canvas, view);
    return std::move(object.bitmap);
}

}  // namespace marbleck
