#include "input/ObjectBitmapLoader.h"

#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "input/core/ObjectPreview.h"
#include "input/picture/ObjectFile.h"
#include "platform/RunTimeError.h"
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

// The mean of the pixels of `picture` (32-bit colour) that each pixel of a
// `target`-sized picture covers: the bounds of a target pixel are those of
// the source pixels whose top-left corners fall in it. One pass, on this
// thread, over lines of the source.
QImage AreaMean(const QImage& picture, QSize target) {
    QImage scaled(target, QImage::Format_RGB32);
    if (scaled.isNull()) throw RunTimeError(ErrorNumber::OutOfMemory, "Out of memory");
    const auto bound = [](int index, int from, int to) {
        return static_cast<int>(static_cast<std::int64_t>(index) * from / to);
    };
    const int w = target.width();
    std::vector<std::uint64_t> sums(static_cast<std::size_t>(w) * 3);
    for (int ty = 0; ty < target.height(); ++ty) {
        const int y0 = bound(ty, picture.height(), target.height());
        const int y1 = std::max(y0 + 1, bound(ty + 1, picture.height(), target.height()));
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = y0; y < y1; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
            for (int tx = 0; tx < w; ++tx) {
                const int x0 = bound(tx, picture.width(), w);
                const int x1 = std::max(x0 + 1, bound(tx + 1, picture.width(), w));
                std::uint64_t* sum = &sums[static_cast<std::size_t>(tx) * 3];
                for (int x = x0; x < x1; ++x) {
                    sum[0] += static_cast<std::uint64_t>(qRed(line[x]));
                    sum[1] += static_cast<std::uint64_t>(qGreen(line[x]));
                    sum[2] += static_cast<std::uint64_t>(qBlue(line[x]));
                }
            }
        }
        auto* out = reinterpret_cast<QRgb*>(scaled.scanLine(ty));
        for (int tx = 0; tx < w; ++tx) {
            const int x0 = bound(tx, picture.width(), w);
            const int x1 = std::max(x0 + 1, bound(tx + 1, picture.width(), w));
            const auto count = static_cast<std::uint64_t>(x1 - x0) * static_cast<std::uint64_t>(y1 - y0);
            const std::uint64_t* sum = &sums[static_cast<std::size_t>(tx) * 3];
            const auto mean = [&](std::uint64_t total) {
                return static_cast<int>((total + count / 2) / count);
            };
            out[tx] = qRgb(mean(sum[0]), mean(sum[1]), mean(sum[2]));
        }
    }
    return scaled;
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

QSize LargestObjectArea() {
    return {TwipsToPixels(MaxCanvasTwips, Screen::TwipsPerPixelX()) - 2 * PictureArea::BorderPixels,
            TwipsToPixels(MaxCanvasTwips, Screen::TwipsPerPixelY()) - 2 * PictureArea::BorderPixels};
}

QSize FitWithin(QSize picture, QSize area) {
    if (picture.width() <= area.width() && picture.height() <= area.height()) return picture;
    const double scale = std::min(static_cast<double>(area.width()) / picture.width(),
                                  static_cast<double>(area.height()) / picture.height());
    const auto side = [&](int pixels, int room) {
        return std::clamp(static_cast<int>(std::lround(pixels * scale)), 1, room);
    };
    return {side(picture.width(), area.width()), side(picture.height(), area.height())};
}

FittedObject OpenFittedObject(const QString& path, PictureArea& canvas, PictureArea& view) {
    ObjectFile object = ReadObjectFile(path, ObjectFileKindOf(path), WholePicture);
    const QSize original = object.picture.size();
    const QSize shown = FitWithin(original, LargestObjectArea());
    if (shown != original)
        object = ObjectOfPicture(AreaMean(object.picture, shown), QFileInfo(path).fileName().toStdString(),
                                 WholePicture);
    canvas.setDrawingAreaSize(shown);
    canvas.setPicture(object.picture);
    // Both sides of the view come from the canvas height, as after a load.
    view.setOuterHeight(canvas.outerHeight());
    view.setOuterWidth(canvas.outerHeight());
    drawPreview(object.bitmap.pixels, view);
    return {std::move(object.bitmap), original, shown};
}

}  // namespace marbleck
