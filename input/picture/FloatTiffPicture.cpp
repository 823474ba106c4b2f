#include "input/picture/FloatTiffPicture.h"

#include <QFileInfo>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/sums/Normalisation.h"
#include "input/picture/ObjectPicture.h"
#include "input/picture/TiffDevice.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

[[noreturn]] void refuse(const std::string& why) {
    throw RunTimeError(ErrorNumber::InvalidPicture, "Invalid picture: " + why);
}

bool HasTiffSignature(QIODevice& device) {
    const QByteArray head = device.peek(4);
    return head == QByteArray("II*\0", 4) || head == QByteArray("MM\0*", 4) ||
           head == QByteArray("II+\0", 4) || head == QByteArray("MM\0+", 4);
}

}  // namespace

std::optional<QImage> ReadFloatTiffPicture(QIODevice& device, const QString& path) {
    if (!HasTiffSignature(device)) return std::nullopt;
    const std::string name = QFileInfo(path).fileName().toStdString();
    const TiffHandle tiff = OpenTiffOnDevice(device, "object", "rm");
    const auto rewound = [&device] {
        device.seek(0);
        return std::nullopt;
    };
    if (!tiff) return rewound();
    std::uint16_t format = SAMPLEFORMAT_UINT, bits = 0, samples = 1;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (format != SAMPLEFORMAT_IEEEFP || bits != 32 || samples != 1) return rewound();

    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    if (std::int64_t{width} * std::int64_t{height} > MaxPicturePixels) {
        refuse(name + " is " + std::to_string(width) + " × " + std::to_string(height) +
               " pixels, more than the " + std::to_string(MaxPicturePixels) +
               " pixels (8192 × 4096) a picture may have");
    }
    if (width == 0 || height == 0) refuse(name + ": the TIFF has no pixels");
    if (TIFFIsTiled(tiff.get())) refuse(name + ": tiled float TIFFs are not supported");
    QImage picture(static_cast<int>(width), static_cast<int>(height), QImage::Format_Grayscale8);
    if (picture.isNull()) throw RunTimeError(ErrorNumber::OutOfMemory, "Out of memory");
    std::vector<float> row(static_cast<std::size_t>(TIFFScanlineSize(tiff.get())) / sizeof(float) + 1);
    for (std::uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff.get(), row.data(), y, 0) != 1)
            refuse(name + ": the TIFF's pixel data cannot be read");
        uchar* line = picture.scanLine(static_cast<int>(y));
        for (std::uint32_t x = 0; x < width; ++x) line[x] = GreyLevel(row[x]);
    }
    return picture;
}

}  // namespace marbleck
