#include "input/ObjectBitmapLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <array>
#include <fstream>
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

}  // namespace

std::optional<ObjectBitmap> LoadObjectBitmap(const QString& inputFilePath, const QString& selectedFileName,
                                             PictureArea& canvas, PictureArea& view) {
    // The chooser shows its pattern as a name before any file was picked.
    if (selectedFileName == QStringLiteral("*.bmp")) return std::nullopt;

    ObjectBitmap bitmap = readObjectFile(inputFilePath);
    const double canvasWidth = cappedTwips(Screen::TwipsPerPixelX(), bitmap.infoHeader.width);
    const double canvasHeight = cappedTwips(Screen::TwipsPerPixelY(), bitmap.infoHeader.height);
    // The canvas's outer size in pixels bounds what its drawing area shows.
    const QSize outerPixels(TwipsToPixels(canvasWidth, Screen::TwipsPerPixelX()),
                            TwipsToPixels(canvasHeight, Screen::TwipsPerPixelY()));
    const QImage picture = DecodeShownPicture(inputFilePath, bitmap, outerPixels);

    canvas.setOuterWidth(static_cast<float>(canvasWidth));
    canvas.setOuterHeight(static_cast<float>(canvasHeight));
    // Only what the drawing area shows is kept.
    const QRect shown = QRect(QPoint(0, 0), canvas.drawingAreaSize()).intersected(picture.rect());
    canvas.setPicture(picture.copy(shown));

    // Both sides of the view come from the canvas height: the view is square.
    view.setOuterHeight(static_cast<float>(canvasHeight));
    view.setOuterWidth(static_cast<float>(canvasHeight));
    drawPreview(bitmap.pixels, view);
    return bitmap;
}

}  // namespace marbleck
