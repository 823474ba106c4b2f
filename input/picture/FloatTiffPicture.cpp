#include "input/picture/FloatTiffPicture.h"

#include <tiffio.h>

#include <QFileInfo>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/HologramEngine.h"
#include "input/picture/ObjectPicture.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

[[noreturn]] void refuse(const std::string& why) {
    throw RunTimeError(ErrorNumber::InvalidPicture, "Invalid picture: " + why);
}

// libtiff reads through the device.
tmsize_t DeviceRead(thandle_t handle, void* data, tmsize_t size) {
    return static_cast<QIODevice*>(handle)->read(static_cast<char*>(data), size);
}
tmsize_t DeviceWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t DeviceSeek(thandle_t handle, toff_t offset, int whence) {
    auto* device = static_cast<QIODevice*>(handle);
    const qint64 base = whence == SEEK_CUR ? device->pos() : whence == SEEK_END ? device->size() : 0;
    const qint64 target = base + static_cast<qint64>(offset);
    return device->seek(target) ? static_cast<toff_t>(target) : static_cast<toff_t>(-1);
}
int DeviceClose(thandle_t) { return 0; }
toff_t DeviceSize(thandle_t handle) { return static_cast<toff_t>(static_cast<QIODevice*>(handle)->size()); }
int NoMap(thandle_t, void**, toff_t*) { return 0; }
void NoUnmap(thandle_t, void*, toff_t) {}

bool HasTiffSignature(QIODevice& device) {
    const QByteArray head = device.peek(4);
    return head == QByteArray("II*\0", 4) || head == QByteArray("MM\0*", 4) ||
           head == QByteArray("II+\0", 4) || head == QByteArray("MM\0+", 4);
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

}  // namespace

std::optional<QImage> ReadFloatTiffPicture(QIODevice& device, const QString& path) {
    if (!HasTiffSignature(device)) return std::nullopt;
    // libtiff would print its complaints on standard error; the refusal says what went wrong.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    const std::string name = QFileInfo(path).fileName().toStdString();
    const std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpen("object", "rm", &device, DeviceRead,
                                                                DeviceWrite, DeviceSeek, DeviceClose,
                                                                DeviceSize, NoMap, NoUnmap));
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
