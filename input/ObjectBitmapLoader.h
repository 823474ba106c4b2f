#pragma once

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

}  // namespace marbleck
