#pragma once

#include <QImage>
#include <QString>

namespace marbleck {

// Writes an image as an uncompressed Windows bitmap, atomically: the file is
// written beside its target, forced to the disk, and replaces the target only
// when every byte is there, so a failed write leaves an earlier file
// untouched and no partial file behind.
//
// An image whose pixels are all grey (red = green = blue) is written with
// 8 bits per pixel and a full 256-entry grey colour table, where index i is
// grey level i; any other image with 24 bits per pixel. Either way the file
// decodes to the same pixels, and the padding at the end of each row is zero,
// so the same image always gives the same bytes.
//
// Throws RunTimeError 61 when the bytes do not fit (the file system is full,
// a quota or the file-size limit is reached) and 75 when the file cannot be
// written for any other reason, each with the system's reason.
void WriteHologramBitmap(const QImage& image, const QString& path);

// True when every pixel of `image` has red = green = blue.
bool IsAllGrey(const QImage& image);

}  // namespace marbleck
