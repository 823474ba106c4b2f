#pragma once

#include <QIODevice>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>

#include "input/core/ObjectBitmap.h"

namespace marbleck {

// The most pixels a bitmap's picture may have: 8192 × 4096, which decode to at
// most 128 MB (4 bytes a pixel), the ceiling Qt's image reader applies by
// default, so that every bitmap it decoded before still loads.
inline constexpr std::int64_t MaxPicturePixels = std::int64_t{8192} * 4096;

// The picture of the bitmap file open as `file` (whose headers the reader
// gave as `bitmap`; `path` names it in messages) as the platform decodes it, cut to its top-left `shown`
// pixels, in 32-bit colour. Every pixel that the file does not set (rows after the end of a short file,
// pixels a run-length stream skips or never reaches) is black, so the same file always gives the same
// picture. At most one decoded picture is held at a time, and only the shown part is kept.
//
// Throws RunTimeError 481 naming the cause when the picture has more than
// MaxPicturePixels (checked from its headers, before its memory is taken) or
// the platform cannot decode it.
QImage DecodeShownPicture(QIODevice& file, const QString& path, const ObjectBitmap& bitmap, QSize shown);

}  // namespace marbleck
