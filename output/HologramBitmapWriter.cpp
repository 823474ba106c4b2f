#include "output/HologramBitmapWriter.h"

#include <cstring>

#include "output/AtomicFile.h"

namespace marbleck {

namespace {

// Indices are grey levels. The table must have all 256 entries: with 16
// colours or fewer, Qt's bitmap writer would drop to 4 bits per pixel.
// Qt writes each 8-bit row with the image's own padding to four bytes, so
// every row is cleared in full first: the file never holds stray memory.
QImage toGreyIndexed(const QImage& rgb) {
    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    QList<QRgb> table(256);
    for (int level = 0; level < 256; ++level) table[level] = qRgb(level, level, level);
    indexed.setColorTable(table);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        std::memset(out, 0, static_cast<std::size_t>(indexed.bytesPerLine()));
        for (int x = 0; x < rgb.width(); ++x) out[x] = static_cast<uchar>(qRed(in[x]));
    }
    return indexed;
}

}  // namespace

bool IsAllGrey(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (qRed(line[x]) != qGreen(line[x]) || qGreen(line[x]) != qBlue(line[x])) return false;
        }
    }
    return true;
}

void WriteHologramBitmap(const QImage& image, const QString& path) {
    if (image.isNull()) FailToWrite(path, QStringLiteral("the picture is empty"));
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const QImage stored = IsAllGrey(rgb) ? toGreyIndexed(rgb) : rgb.convertToFormat(QImage::Format_RGB888);
    QString error;
    const QByteArray bytes = EncodeImage(stored, "bmp", error);
    if (!error.isEmpty()) FailToWrite(path, error);
    WriteFileAtomically(path, bytes);
}

}  // namespace marbleck
