#pragma once

#include <QFile>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "input/core/ObjectBitmap.h"

namespace marbleck {

// Opens the file at `path` (a name DecodeNativeFileName may have made) for
// reading, refusing anything that is not a regular file or a symbolic link
// to one before it is opened, so that a named pipe or a device cannot block
// or be read. Throws RunTimeError 53 "File not found: PATH" when there is no
// such file, and 75 "Path/File access error: ..." saying why otherwise: PATH
// "is a folder", "is not a regular file", "the name is too long" or the
// system's reason.
std::unique_ptr<QFile> OpenObjectFile(const QString& path);

// How an object file is read: a bitmap by its own reader (any file the
// chooser's "Load" opens, and any file named *.bmp), anything else by the
// platform's picture readers.
enum class ObjectFileKind { Bitmap, Picture };

// Bitmap for a name ending in .bmp (any case), Picture otherwise.
ObjectFileKind ObjectFileKindOf(const QString& path);

// How much of the picture a reader of the file keeps, from the top left,
// given the bitmap's headers.
using KeptPictureSize = std::function<QSize(const ObjectBitmap&)>;

// Keeps the whole picture.
inline QSize WholePicture(const ObjectBitmap&) {
    return {std::numeric_limits<int>::max(), std::numeric_limits<int>::max()};
}

// An object file as the window and the command line both read it.
struct ObjectFile {
    // The bitmap's headers and stored pixel bytes: of the file itself for a
    // bitmap, of the bitmap the platform would save of the picture otherwise.
    ObjectBitmap bitmap;
    // The picture in 32-bit colour, cut to the kept size; black wherever the
    // file sets no pixel, so that the same file always gives the same picture.
    QImage picture;
};

// Reads the object file at `path` as `kind` says. A bitmap is checked to
// begin with a bitmap's signature and decoded with DecodeShownPicture; any
// other picture (a 32-bit float TIFF included) is checked for its size from
// its headers, decoded, and made the bitmap the platform would save of it,
// whose picture is the result. Throws RunTimeError: 53 and 75 as
// OpenObjectFile, 481 naming the cause when the file is not a picture of its
// kind, has more than MaxPicturePixels or cannot be decoded.
ObjectFile ReadObjectFile(const QString& path, ObjectFileKind kind, const KeptPictureSize& kept);

// The object file a picture already decoded gives: the bitmap the platform
// would save of it and that bitmap's picture, as ReadObjectFile reads a
// picture that is not a bitmap. `name` names it in messages; throws
// RunTimeError 481 when it cannot be made a bitmap, 7 when there is no
// memory for it.
ObjectFile ObjectOfPicture(const QImage& picture, const std::string& name, const KeptPictureSize& kept);

}  // namespace marbleck
