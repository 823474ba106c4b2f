#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>
#include <optional>

namespace marbleck {

// The platform's TIFF reader takes only 8- and 16-bit samples, but the
// command line writes holograms as single-channel 32-bit float TIFFs, which it
// must read back. For such a file (from the device's start), the 8-bit grey
// picture of its values as the hologram's PNG shows them (GreyLevel: 255 v
// rounded, clamped to 0 to 255). Nothing (the device rewound) for any other file.
//
// Throws RunTimeError 481 naming the cause when the picture has more than
// MaxPicturePixels (before its memory is taken) or its data cannot be read.
std::optional<QImage> ReadFloatTiffPicture(QIODevice& device, const QString& path);

}  // namespace marbleck
