#include "input/ObjectBitmapLoader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <new>
#include <span>
#include <vector>

#include "input/ObjectPicture.h"
#include "input/core/ObjectPreview.h"
#include "input/core/PictureSignature.h"
#include "platform/RunTimeError.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {

namespace {

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

[[noreturn]] void refuse(const std::string& why) {
    throw RunTimeError(ErrorNumber::InvalidPicture, "Invalid picture: " + why);
}

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
    // Another kind of picture under a bitmap's name would otherwise have its
    // bytes read as a bitmap's headers.
    std::array<std::uint8_t, PictureSignatureBytes> head{};
    file.read(reinterpret_cast<char*>(head.data()), head.size());
    const auto headBytes = static_cast<std::size_t>(file.gcount());
    if (const auto reason = NotABitmapReason(std::span(head).first(headBytes))) {
        refuse(info.fileName().toStdString() + " " + *reason);
    }
    file.clear();
    file.seekg(0);
    return ReadObjectBitmap(file);
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

// `image` with every bit past its pixels, in each row's last byte and in the
// padding after it, 0. Qt writes a 1- or 8-bit bitmap's rows straight from the
// image's memory, whose padding a decoder leaves as it found it.
QImage withClearPadding(const QImage& image) {
    if (image.depth() != 1 && image.depth() != 8) return image;
    QImage clean(image.size(), image.format());
    if (clean.isNull()) throw std::bad_alloc();
    clean.setColorTable(image.colorTable());
    std::memset(clean.bits(), 0, static_cast<std::size_t>(clean.sizeInBytes()));
    const auto usedBits = static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.depth());
    const std::size_t fullBytes = usedBits / 8;
    const int restBits = static_cast<int>(usedBits % 8);
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = clean.scanLine(y);
        std::memcpy(line, image.constScanLine(y), fullBytes);
        if (restBits == 0) continue;
        const uchar last = image.constScanLine(y)[fullBytes];
        const int mask =
            image.format() == QImage::Format_MonoLSB ? (1 << restBits) - 1 : 0xFF << (8 - restBits);
        line[fullBytes] = static_cast<uchar>(last & mask);
    }
    return clean;
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

}  // namespace

std::optional<ObjectBitmap> LoadObjectBitmap(const QString& inputFilePath, const QString& selectedFileName,
                                             PictureArea& canvas, PictureArea& view) {
    // The chooser shows its pattern as a name before any file was picked.
    if (selectedFileName == QStringLiteral("*.bmp")) return std::nullopt;

    ObjectBitmap bitmap = readObjectFile(inputFilePath);
    const ObjectSize size = objectSize(bitmap);
    showObject(bitmap, size, DecodeShownPicture(inputFilePath, bitmap, size.outerPixels), canvas, view);
    return bitmap;
}

ObjectBitmap LoadObjectImage(const QString& path, PictureArea& canvas, PictureArea& view) {
    const QFileInfo info(path);
    if (!info.exists())
        throw RunTimeError(ErrorNumber::FileNotFound, "File not found: " + path.toStdString());
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        throw RunTimeError(ErrorNumber::PathFileAccessError,
                           "Path/File access error: cannot open " + path.toStdString());
    }
    const std::string name = info.fileName().toStdString();
    QImageReader reader(&file);
    const QSize claimed = reader.size();
    if (reader.format().isEmpty()) refuse(name + " is no picture the platform reads");
    if (claimed.isValid() &&
        std::int64_t{claimed.width()} * std::int64_t{claimed.height()} > MaxPicturePixels) {
        refuse(name + " is " + std::to_string(claimed.width()) + " × " + std::to_string(claimed.height()) +
               " pixels, more than the " + std::to_string(MaxPicturePixels) +
               " pixels (8192 × 4096) a picture may have");
    }
    const QImage decoded = reader.read();
    if (decoded.isNull()) refuse(name + ": " + reader.errorString().toStdString());
    if (std::int64_t{decoded.width()} * std::int64_t{decoded.height()} > MaxPicturePixels) {
        refuse(name + " is more than the " + std::to_string(MaxPicturePixels) + " pixels a picture may have");
    }

    // The bitmap the platform would save of it, in memory: its headers and
    // pixel bytes give the sizes and the preview, its decoded picture the
    // canvas, exactly as the same bitmap loaded from a file would.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!withClearPadding(decoded).save(&buffer, "BMP")) refuse(name + " cannot be made a bitmap");
    buffer.close();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    ObjectBitmap bitmap = ReadObjectBitmap(std::span(data, static_cast<std::size_t>(bytes.size())));
    const ObjectSize size = objectSize(bitmap);
    const QImage asBitmap = QImage::fromData(bytes, "BMP");
    if (asBitmap.isNull()) refuse(name + " cannot be made a bitmap");
    const QRect kept = QRect(QPoint(0, 0), size.outerPixels).intersected(asBitmap.rect());
    showObject(bitmap, size, asBitmap.copy(kept).convertToFormat(QImage::Format_RGB32), canvas, view);
    return bitmap;
}

}  // namespace marbleck
