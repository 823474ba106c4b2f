#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>
#include <optional>

namespace marbleck {

// The platform's TIFF reader takes only 8- and 16-bit samples, but the
// command line writes holograms as single-channel 32-bit float TIFFs, which it
// must read back. For such a file (from the device's start), the 8-bit grey
// picture of its values: level round(255 v) for v clamped to [0, 1], not a
// number black. Nothing (the device rewound) for any other file.
//
// Throws RunTimeError 481 naming the cause when the picture has more than
// MaxPicturePixels (before its memory is taken) or its data cannot be read.
std::optional<QImage> ReadFloatTiffPicture(QIODevice& device, const QString& path);

}  // namespace marbleck
