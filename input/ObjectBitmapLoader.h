#pragma once

#include <QSize>
#include <QString>
#include <optional>

#include "input/core/ObjectBitmap.h"
#include "input/picture/ObjectPicture.h"

namespace marbleck {

class PictureArea;

// The largest side of the object canvas after a load, in twips.
inline constexpr double MaxCanvasTwips = 2480;

// Makes the bitmap file at `inputFilePath` the object: the canvas takes the
// bitmap's size (each side at most 2480 twips) and shows the picture as the
// platform decodes it, as its background picture, black wherever the file
// sets no pixel; it keeps only the part its drawing area shows. The view
// becomes a square whose sides are the canvas height and shows the
// black-and-white preview of the stored pixel bytes (white where a byte is
// not 0), upright, padding columns included, drawn over what it showed before.
//
// When `selectedFileName` is exactly "*.bmp" nothing is read and nothing
// changes; the result is then empty. Otherwise the result is the bitmap read.
//
// The load succeeds whole or changes nothing: everything that can fail is
// checked before the canvas or the view change. Throws RunTimeError 53 when
// the file does not exist, 75 when it is not a regular file (a folder, a named
// pipe, a device) or cannot be opened, 481 naming the cause
// when it is not a bitmap (another kind of picture under a bitmap's name), its
// width or height is not positive, its picture has more than MaxPicturePixels
// or the platform cannot decode it.
std::optional<ObjectBitmap> LoadObjectBitmap(const QString& inputFilePath, const QString& selectedFileName,
                                             PictureArea& canvas, PictureArea& view);

// Makes the picture file at `path`, of any format the platform reads, the
// object, exactly as the bitmap the platform would save of it would be loaded
// by LoadObjectBitmap: the same canvas and view sizes, the same picture on the
// canvas and the same preview in the view. Returns that bitmap. Its size is
// checked from the file's headers before it is decoded. Succeeds whole or
// changes nothing: throws RunTimeError 53 when the file does not exist, 75
// when it is not a regular file or cannot be opened, 481 naming the cause when it is no picture the
// platform reads, has more than MaxPicturePixels or cannot be decoded.
ObjectBitmap LoadObjectImage(const QString& path, PictureArea& canvas, PictureArea& view);

// An object shown whole: the picture's own size and the size it is shown at.
struct FittedObject {
    ObjectBitmap bitmap;
    QSize pictureSize;
    QSize shownSize;
    bool scaled() const { return pictureSize != shownSize; }
};

// The largest drawing area the canvas takes for an object: its largest
// outer side (MaxCanvasTwips) less the border, each way.
QSize LargestObjectArea();

// `picture` scaled down to fit `area`, keeping its aspect (each side at least
// one pixel); a picture that fits keeps its size.
QSize FitWithin(QSize picture, QSize area);

// Makes the picture file at `path` (a bitmap by its ".bmp" name, any picture
// the platform reads otherwise) the object, whole: the canvas's drawing area
// takes the picture's size, and a picture larger than LargestObjectArea is
// first scaled down to fit it, keeping its aspect (each canvas pixel the mean
// of the picture pixels it covers). The object is then the bitmap the
// platform would save of what the canvas shows; the view becomes the square
// whose sides are the canvas height, with that bitmap's preview, as a load
// gives. Succeeds whole or changes nothing; throws as ReadObjectFile, and 7
// when there is no memory for the scaled picture.
FittedObject OpenFittedObject(const QString& path, PictureArea& canvas, PictureArea& view);

}  // namespace marbleck
