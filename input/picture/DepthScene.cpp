#include "input/picture/DepthScene.h"

#include <QFileInfo>
#include <QImageReader>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "input/picture/ObjectFile.h"
#include "input/picture/ObjectPicture.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

[[noreturn]] void Refuse(const std::string& why) {
    throw RunTimeError(ErrorNumber::InvalidPicture, "Invalid picture: " + why);
}

std::string NameOf(const QString& path) { return QFileInfo(path).fileName().toStdString(); }

std::string SizeText(const QSize& size) {
    return std::to_string(size.width()) + " × " + std::to_string(size.height()) + " pixels";
}

void RefuseTooLarge(const std::string& name, const QSize& size) {
    if (std::int64_t{size.width()} * std::int64_t{size.height()} > MaxPicturePixels)
        Refuse(name + " is " + SizeText(size) + ", more than the " + std::to_string(MaxPicturePixels) +
               " pixels (8192 × 4096) a picture may have");
}

// The picture at `path`, its size checked from its headers before decoding.
QImage Decode(const QString& path) {
    const std::unique_ptr<QFile> file = OpenObjectFile(path);
    const std::string name = NameOf(path);
    QImageReader reader(file.get());
    if (reader.format().isEmpty()) Refuse(name + " is no picture the platform reads");
    if (reader.size().isValid()) RefuseTooLarge(name, reader.size());
    QImage decoded = reader.read();
    if (decoded.isNull()) Refuse(name + ": " + reader.errorString().toStdString());
    RefuseTooLarge(name, decoded.size());
    return decoded;
}

QImage Converted(const QImage& picture, QImage::Format format) {
    QImage converted = picture.convertToFormat(format);
    if (converted.isNull() && !picture.isNull()) throw std::bad_alloc();
    return converted;
}

bool SixteenBits(const QImage& picture) {
    switch (picture.format()) {
        case QImage::Format_RGBX64:
        case QImage::Format_RGBA64:
        case QImage::Format_RGBA64_Premultiplied:
        case QImage::Format_RGBX16FPx4:
        case QImage::Format_RGBA16FPx4:
        case QImage::Format_RGBA16FPx4_Premultiplied:
        case QImage::Format_RGBX32FPx4:
        case QImage::Format_RGBA32FPx4:
        case QImage::Format_RGBA32FPx4_Premultiplied:
            return true;
        default:
            return false;
    }
}

// A grey picture stored in colour: its red level of every pixel, after the
// check that green and blue equal it.
QImage GreyOfColour(const QImage& picture, const std::string& name) {
    const bool sixteen = SixteenBits(picture);
    const QImage colour = Converted(picture, sixteen ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
    QImage grey(picture.size(), sixteen ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
    if (grey.isNull() && !picture.isNull()) throw std::bad_alloc();
    for (int y = 0; y < colour.height(); ++y) {
        if (sixteen) {
            const auto* in = reinterpret_cast<const QRgba64*>(colour.constScanLine(y));
            auto* out = reinterpret_cast<std::uint16_t*>(grey.scanLine(y));
            for (int x = 0; x < colour.width(); ++x) {
                if (in[x].red() != in[x].green() || in[x].red() != in[x].blue())
                    Refuse(name + " is a colour picture; depth must be grey");
                out[x] = in[x].red();
            }
        } else {
            const auto* in = reinterpret_cast<const QRgb*>(colour.constScanLine(y));
            uchar* out = grey.scanLine(y);
            for (int x = 0; x < colour.width(); ++x) {
                if (qRed(in[x]) != qGreen(in[x]) || qRed(in[x]) != qBlue(in[x]))
                    Refuse(name + " is a colour picture; depth must be grey");
                out[x] = static_cast<uchar>(qRed(in[x]));
            }
        }
    }
    return grey;
}

}  // namespace

QImage ReadSceneColourPicture(const QString& path) { return Converted(Decode(path), QImage::Format_RGB888); }

QImage ReadSceneDepthPicture(const QString& path) {
    const QImage picture = Decode(path);
    if (picture.format() == QImage::Format_Grayscale8 || picture.format() == QImage::Format_Grayscale16)
        return picture;
    return GreyOfColour(picture, NameOf(path));
}

DepthLevels DepthLevelsOf(const QImage& depth, std::vector<std::uint16_t>& levels) {
    const bool sixteen = depth.format() == QImage::Format_Grayscale16;
    levels.resize(static_cast<std::size_t>(depth.width()) * static_cast<std::size_t>(depth.height()));
    for (int y = 0; y < depth.height(); ++y) {
        std::uint16_t* out =
            levels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(depth.width());
        if (sixteen) {
            std::memcpy(out, depth.constScanLine(y),
                        static_cast<std::size_t>(depth.width()) * sizeof(std::uint16_t));
        } else {
            const uchar* in = depth.constScanLine(y);
            for (int x = 0; x < depth.width(); ++x) out[x] = in[x];
        }
    }
    return {depth.width(), depth.height(), levels, sixteen ? 65535 : 255};
}

Scene ReadDepthScene(const QString& colourPath, const QString& depthPath, const DepthRange& range,
                     double pitch) {
    const QImage colour = ReadSceneColourPicture(colourPath);
    const QImage depth = ReadSceneDepthPicture(depthPath);
    if (colour.size() != depth.size())
        Refuse("the depth picture " + NameOf(depthPath) + " is " + SizeText(depth.size()) +
               ", the colour picture " + NameOf(colourPath) + " " + SizeText(colour.size()));
    // The colour's rows without the padding that keeps each a multiple of 4 bytes.
    const auto width = static_cast<std::size_t>(colour.width());
    std::vector<std::uint8_t> rgb(3 * width * static_cast<std::size_t>(colour.height()));
    for (int y = 0; y < colour.height(); ++y)
        std::memcpy(rgb.data() + 3 * width * static_cast<std::size_t>(y), colour.constScanLine(y), 3 * width);
    std::vector<std::uint16_t> levels;
    const DepthLevels depthLevels = DepthLevelsOf(depth, levels);
    return DepthMapScene(RgbPixels<std::uint8_t>{colour.width(), colour.height(), rgb}, depthLevels, range,
                         pitch);
}

}  // namespace marbleck
