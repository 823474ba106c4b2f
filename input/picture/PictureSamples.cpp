#include "input/picture/PictureSamples.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "engine/kinds/HologramJob.h"

namespace marbleck {

namespace {

// Pixels of a strip converted at once: Qt converts fewer than 2^16 on the
// calling thread.
constexpr qsizetype StripPixels = qsizetype{1} << 15;

bool IsThirtyTwoBit(const QImage& image) {
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
}

}  // namespace

void LitSamples(const QImage& image, const SampleGrid& grid, std::vector<ObjectPoint>& points) {
    points.clear();
    MaskSampler sampler(grid);
    // Other formats are converted a strip of rows at a time: Qt converts a
    // strip this small on the calling thread (a larger picture goes to its
    // thread pool, whose work waits for ever where no thread can start), and
    // only a strip's 32-bit copy is held at once.
    const bool direct = IsThirtyTwoBit(image);
    const int width = image.width();
    const int stripRows = std::max(1, static_cast<int>(StripPixels / std::max(1, width)));
    std::vector<std::uint8_t> band;
    for (int top = 0; top < image.height(); top += stripRows) {
        const int bottom = std::min(top + stripRows, image.height());
        if (!sampler.readsRows(top, bottom)) continue;
        QImage strip;
        if (!direct) {
            strip = image.copy(0, top, width, bottom - top).convertToFormat(QImage::Format_RGB32);
            // A copy or conversion without memory is a null image, which would
            // read as a strip with no lit point.
            if (strip.isNull()) throw std::bad_alloc();
        }
        band.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(bottom - top));
        for (int row = top; row < bottom; ++row) {
            const auto* line = reinterpret_cast<const QRgb*>(direct ? image.constScanLine(row)
                                                                    : strip.constScanLine(row - top));
            std::uint8_t* out =
                band.data() + static_cast<std::size_t>(row - top) * static_cast<std::size_t>(width);
            for (int x = 0; x < width; ++x) out[x] = (line[x] & 0x00FFFFFFu) != 0 ? 1 : 0;
        }
        sampler.addRows(band.data(), width, top, bottom - top);
    }
    sampler.litSamples(points);
}

HologramObject PictureObject(const QImage& image) {
    HologramObject object;
    object.width = static_cast<float>(image.width());
    object.height = static_cast<float>(image.height());
    LitSamples(image, PixelSampleGrid(SampleCount(object.width), SampleCount(object.height)),
               object.litSamples);
    return object;
}

std::vector<float> SampleBrightness(const QImage& image, const SampleGrid& grid,
                                    std::span<const ObjectPoint> samples) {
    // The object reader's pictures are 32-bit already; anything else is converted once.
    const QImage colours = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                               ? image
                               : image.convertToFormat(QImage::Format_RGB32);
    if (colours.isNull() && !image.isNull()) throw std::bad_alloc();
    std::vector<float> brightness;
    brightness.reserve(samples.size());
    for (const ObjectPoint& p : samples) {
        const int row = grid.pixelRows[static_cast<std::size_t>(p.y)];
        const int column = grid.pixelColumns[static_cast<std::size_t>(p.x)];
        const QRgb pixel = reinterpret_cast<const QRgb*>(colours.constScanLine(row))[column];
        brightness.push_back(BrightnessOfColour(qRed(pixel), qGreen(pixel), qBlue(pixel)));
    }
    return brightness;
}

std::vector<float> PictureBrightness(const QImage& image, std::span<const ObjectPoint> samples) {
    return SampleBrightness(image,
                            PixelSampleGrid(SampleCount(static_cast<float>(image.width())),
                                            SampleCount(static_cast<float>(image.height()))),
                            samples);
}

}  // namespace marbleck
