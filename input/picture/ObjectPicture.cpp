#include "input/picture/ObjectPicture.h"

#include <QFileInfo>
#include <QImageReader>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

[[noreturn]] void refuse(const std::string& why) {
    throw RunTimeError(ErrorNumber::InvalidPicture, "Invalid picture: " + why);
}

// Qt's bitmap decoder, and nothing else, whatever the file's name says, from
// the file's start.
void decodeAsBitmap(QImageReader& reader, QIODevice& file) {
    file.seek(0);
    reader.setDevice(&file);
    reader.setFormat("bmp");
    reader.setAutoDetectImageFormat(false);
}

// Information headers whose width and height the decoder reads as 32-bit
// fields at the offsets the reader reads them from (Windows 3, OS/2 2, Windows
// 4 and 5 headers); it reads any other size as a 12-byte OS/2 1 header.
bool hasWindowsLayout(const ObjectInfoHeader& info) {
    return info.size == 40 || info.size == 64 || info.size == 108 || info.size == 124;
}

std::string compressionText(std::uint32_t compression) {
    const char* name = nullptr;
    switch (compression) {
        case 0:
            name = "none";
            break;
        case 1:
            name = "RLE8";
            break;
        case 2:
            name = "RLE4";
            break;
        case 3:
            name = "bit fields";
            break;
        case 4:
            name = "JPEG";
            break;
        case 5:
            name = "PNG";
            break;
        case 6:
            name = "alpha bit fields";
            break;
        case 11:
            name = "CMYK";
            break;
        case 12:
            name = "CMYK RLE8";
            break;
        case 13:
            name = "CMYK RLE4";
            break;
        default:
            break;
    }
    std::string text = "compression " + std::to_string(compression);
    if (name != nullptr) text += std::string(" (") + name + ")";
    return text;
}

// Why the decoder refuses the headers. It takes 1, 4, 8, 16, 24 or 32 bits
// per pixel in one colour plane, uncompressed, RLE8 at 8 bits, RLE4 at 4 bits
// or bit fields at 16 and 32 bits.
std::string headerCause(const ObjectInfoHeader& info) {
    if (info.size != 12 && !hasWindowsLayout(info)) {
        return "information headers of " + std::to_string(info.size) +
               " bytes are not supported (40, 64, 108 or 124 bytes are)";
    }
    if (hasWindowsLayout(info)) {
        const int bits = info.bitCount;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
            return std::to_string(bits) + " bits per pixel are not supported (1, 4, 8, 16, 24 or 32 are)";
        }
        if (info.planes != 1) {
            return "the bitmap has " + std::to_string(info.planes) + " colour planes instead of 1";
        }
        const std::string compression = compressionText(info.compression);
        switch (info.compression) {
            case 4:
                return compression + " is not supported: the bitmap holds a JPEG image";
            case 5:
                return compression + " is not supported: the bitmap holds a PNG image";
            default:
                break;
        }
        if (info.compression > 3) return compression + " is not supported";
        const bool fitsBits = info.compression == 0 || (info.compression == 1 && bits == 8) ||
                              (info.compression == 2 && bits == 4) ||
                              (info.compression == 3 && (bits == 16 || bits == 32));
        if (!fitsBits) {
            return compression + " is not supported for " + std::to_string(bits) + "-bit bitmaps";
        }
    }
    return "the bitmap's headers cannot be decoded";
}

// Why the decoder refuses the picture data after accepting the headers.
std::string dataCause(QIODevice& file, const QString& path, const ObjectInfoHeader& info, QSize size,
                      const QString& decoderError) {
    const std::string name = QFileInfo(path).fileName().toStdString();
    // The reader's allocation limit (in MB, 0 for none) counts 4 bytes a pixel.
    const int limitMegabytes = QImageReader::allocationLimit();
    const std::int64_t pixels = std::int64_t{size.width()} * std::abs(size.height());
    if (limitMegabytes > 0 && pixels * 4 > (std::int64_t{limitMegabytes} << 20)) {
        return name + " is " + std::to_string(size.width()) + " × " +
               std::to_string(std::abs(size.height())) + " pixels, more than the image reader's limit of " +
               std::to_string(limitMegabytes) + " MB allows";
    }
    std::int64_t dataStart = 14 + std::int64_t{info.size};
    if (hasWindowsLayout(info) && info.bitCount <= 8) {
        if (info.clrUsed > 256) {
            return "its colour table claims " + std::to_string(info.clrUsed) +
                   " colours; a bitmap has at most 256";
        }
        dataStart += 4 * (info.clrUsed != 0 ? std::int64_t{info.clrUsed} : std::int64_t{1} << info.bitCount);
    }
    if (file.size() <= dataStart) return "the file ends before its pixel data";
    if (hasWindowsLayout(info) && info.compression == 1) {
        return "the file ends inside its compressed pixel data";
    }
    return "its pixel data cannot be decoded (" + decoderError.toStdString() + ")";
}

// The decoder writes into the picture it is given when that already has the
// size and format it needs, and leaves alone every pixel the file does not
// set. The picture is filled with `fill` bytes first; when the format
// foreseen from the headers was not the one the decoder needed, it allocated
// a picture of its own, and the file is decoded again in that format.
// A null picture: the decoder refused the data; `error` says what it said.
QImage decodeOverFill(QIODevice& file, QSize size, QImage::Format& format, uchar fill, QString& error) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        QImage picture(size, format);
        if (picture.isNull()) throw RunTimeError(ErrorNumber::OutOfMemory, "Out of memory");
        std::memset(picture.bits(), fill, static_cast<std::size_t>(picture.sizeInBytes()));
        const qint64 filledPicture = picture.cacheKey() >> 32;  // its data's serial number
        QImageReader reader;
        decodeAsBitmap(reader, file);
        if (!reader.read(&picture)) {
            error = reader.errorString();
            return {};
        }
        if (picture.cacheKey() >> 32 == filledPicture) return picture;
        format = picture.format();
    }
    refuse("the picture cannot be decoded in a stable format");
}

std::uint32_t rawPixel(const QImage& picture, int x, int y) {
    if (picture.depth() != 32) return static_cast<std::uint32_t>(picture.pixelIndex(x, y));
    return reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y))[x];
}

// Decoded over zero bytes, a 32-bit colour picture without alpha has every
// pixel set when none kept the fill's zero alpha: the decoder writes them
// opaque. Other formats cannot tell a set pixel from the fill.
bool everyPixelSet(const QImage& overZeros) {
    if (overZeros.format() != QImage::Format_RGB32) return false;
    for (int y = 0; y < overZeros.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(overZeros.constScanLine(y));
        for (int x = 0; x < overZeros.width(); ++x) {
            if ((line[x] & 0xFF000000u) == 0) return false;
        }
    }
    return true;
}

}  // namespace

QImage DecodeShownPicture(QIODevice& file, const QString& path, const ObjectBitmap& bitmap, QSize shown) {
    const ObjectInfoHeader& info = bitmap.infoHeader;
    QImageReader headers;
    decodeAsBitmap(headers, file);
    // The size the decoder will allocate; where it refuses the headers, the
    // size they claim when it reads them as the reader does.
    const QSize claimed = headers.size();
    const bool sizeKnown = claimed.isValid() || hasWindowsLayout(info);
    const std::int64_t width = claimed.isValid() ? claimed.width() : info.width;
    const std::int64_t height = claimed.isValid() ? std::abs(claimed.height()) : std::int64_t{info.height};
    if (sizeKnown && width * height > MaxPicturePixels) {
        refuse(QFileInfo(path).fileName().toStdString() + " is " + std::to_string(width) + " × " +
               std::to_string(height) + " pixels, more than the " + std::to_string(MaxPicturePixels) +
               " pixels (8192 × 4096) a picture may have");
    }
    if (!claimed.isValid()) refuse(headerCause(info));

    const QSize size(static_cast<int>(width), static_cast<int>(height));
    QImage::Format format = headers.imageFormat();
    if (format == QImage::Format_Invalid) format = QImage::Format_Indexed8;
    QString error;
    // Each decoded picture is cut to the shown part at once, so that only one
    // whole picture exists at a time.
    const QRect kept = QRect(QPoint(0, 0), shown).intersected(QRect(QPoint(0, 0), size));
    auto shownPartOver = [&](uchar fill) {
        const QImage whole = decodeOverFill(file, size, format, fill, error);
        if (whole.isNull()) refuse(dataCause(file, path, info, size, error));
        return whole.copy(kept);
    };
    const QImage overZeros = shownPartOver(0x00);
    if (kept.isEmpty()) return {};
    QImage picture = overZeros.convertToFormat(QImage::Format_RGB32);
    if (everyPixelSet(overZeros)) return picture;

    // Pixels the file sets are the same over any fill; the others differ.
    const QImage overOnes = shownPartOver(0xFF);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if (rawPixel(overZeros, x, y) != rawPixel(overOnes, x, y)) line[x] = qRgb(0, 0, 0);
        }
    }
    return picture;
}

}  // namespace marbleck
