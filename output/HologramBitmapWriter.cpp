#include "output/HologramBitmapWriter.h"

#include <unistd.h>
#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw RunTimeError(ErrorNumber::PathFileAccessError,
                       ("Path/File access error: cannot write " + path + ": " + reason).toStdString());
}

// A failed system call on the file: 61 when there was no room for the bytes
// (the file system is full, the user's quota or the process's file-size
// limit is reached), 75 for any other reason; the system's words either way.
[[noreturn]] void failWith(const QString& path, int error) {
    const std::string reason = std::strerror(error);
    if (error == ENOSPC || error == EFBIG || error == EDQUOT) {
        throw RunTimeError(ErrorNumber::DiskFull,
                           "Disk full: cannot write " + path.toStdString() + ": " + reason);
    }
    fail(path, QString::fromStdString(reason));
}

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

QByteArray encodeBitmap(const QImage& stored, const QString& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(stored)) fail(path, writer.errorString());
    return bytes;
}

// Writes all of `bytes` to the file's descriptor and forces them to the
// disk. The descriptor is used directly so that each failure keeps its
// system error, and no byte waits in a buffer whose failed write Qt's
// commit would not report.
void writeAndSync(QSaveFile& file, const QByteArray& bytes, const QString& path) {
    const int descriptor = file.handle();
    const char* next = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, next, static_cast<std::size_t>(left));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) failWith(path, errno);
        // A regular file that takes no byte at all has no room left.
        if (written == 0) failWith(path, ENOSPC);
        next += written;
        left -= written;
    }
    if (::fsync(descriptor) != 0) failWith(path, errno);
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
    if (image.isNull()) fail(path, QStringLiteral("the picture is empty"));
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const QImage stored = IsAllGrey(rgb) ? toGreyIndexed(rgb) : rgb.convertToFormat(QImage::Format_RGB888);
    const QByteArray bytes = encodeBitmap(stored, path);

    // Until commit() the bytes go to a file beside the target; an error
    // before then discards that file and leaves the target as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) fail(path, file.errorString());
    writeAndSync(file, bytes, path);
    if (!file.commit()) fail(path, file.errorString());
}

}  // namespace marbleck
