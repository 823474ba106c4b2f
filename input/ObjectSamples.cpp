#include "input/ObjectSamples.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <numeric>

#include "widgets/PictureArea.h"

namespace marbleck {

namespace {

// Pixels of a strip converted at once: Qt converts fewer than 2^16 on the
// calling thread.
constexpr qsizetype StripPixels = qsizetype{1} << 15;

// The lit samples of a 32-bit picture, read from its lines directly.
void AppendLitSamples(const QImage& rgb, const SampleGrid& grid, std::vector<ObjectPoint>& points) {
    // The rows of the image that the grid reads, once; null where outside.
    std::vector<const QRgb*> lines(grid.pixelRows.size(), nullptr);
    for (std::size_t y = 0; y < lines.size(); ++y) {
        const int row = grid.pixelRows[y];
        if (row >= 0 && row < rgb.height()) lines[y] = reinterpret_cast<const QRgb*>(rgb.constScanLine(row));
    }
    for (std::size_t x = 0; x < grid.pixelColumns.size(); ++x) {
        const int column = grid.pixelColumns[x];
        if (column < 0 || column >= rgb.width()) continue;
        for (std::size_t y = 0; y < lines.size(); ++y)
            if (lines[y] && (lines[y][column] & 0x00FFFFFFu) != 0)
                points.push_back({static_cast<int>(x), static_cast<int>(y)});
    }
}

}  // namespace

SampleGrid CanvasSampleGrid(const PictureArea& canvas, int columns, int rows) {
    SampleGrid grid;
    grid.pixelColumns.resize(static_cast<std::size_t>(std::max(0, columns)));
    grid.pixelRows.resize(static_cast<std::size_t>(std::max(0, rows)));
    for (int x = 0; x < columns; ++x)
        grid.pixelColumns[static_cast<std::size_t>(x)] = canvas.toPixel(static_cast<float>(x), 0).x();
    for (int y = 0; y < rows; ++y)
        grid.pixelRows[static_cast<std::size_t>(y)] = canvas.toPixel(0, static_cast<float>(y)).y();
    return grid;
}

SampleGrid PixelSampleGrid(int columns, int rows) {
    SampleGrid grid;
    grid.pixelColumns.resize(static_cast<std::size_t>(std::max(0, columns)));
    grid.pixelRows.resize(static_cast<std::size_t>(std::max(0, rows)));
    std::iota(grid.pixelColumns.begin(), grid.pixelColumns.end(), 0);
    std::iota(grid.pixelRows.begin(), grid.pixelRows.end(), 0);
    return grid;
}

void LitSamples(const QImage& image, const SampleGrid& grid, std::vector<ObjectPoint>& points) {
    points.clear();
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32) {
        AppendLitSamples(image, grid, points);
        return;
    }
    // Other formats are converted a strip of rows at a time: Qt converts a
    // strip this small on the calling thread (a larger picture goes to its
    // thread pool, whose work waits for ever where no thread can start), and
    // only a strip's 32-bit copy is held at once.
    const std::size_t columns = grid.pixelColumns.size();
    std::vector<bool> lit(columns * grid.pixelRows.size());  // row y of the grid at y × columns
    const int stripRows = std::max(1, static_cast<int>(StripPixels / std::max(1, image.width())));
    for (int top = 0; top < image.height(); top += stripRows) {
        const int bottom = std::min(top + stripRows, image.height());
        const auto inStrip = [&](int row) { return row >= top && row < bottom; };
        if (std::none_of(grid.pixelRows.begin(), grid.pixelRows.end(), inStrip)) continue;
        const QImage strip =
            image.copy(0, top, image.width(), bottom - top).convertToFormat(QImage::Format_RGB32);
        // A copy or conversion without memory is a null image, which would
        // read as a strip with no lit point.
        if (strip.isNull()) throw std::bad_alloc();
        for (std::size_t y = 0; y < grid.pixelRows.size(); ++y) {
            if (!inStrip(grid.pixelRows[y])) continue;
            const auto* line = reinterpret_cast<const QRgb*>(strip.constScanLine(grid.pixelRows[y] - top));
            for (std::size_t x = 0; x < columns; ++x) {
                const int column = grid.pixelColumns[x];
                if (column >= 0 && column < strip.width() && (line[column] & 0x00FFFFFFu) != 0)
                    lit[y * columns + x] = true;
            }
        }
    }
    for (std::size_t x = 0; x < columns; ++x)
        for (std::size_t y = 0; y < grid.pixelRows.size(); ++y)
            if (lit[y * columns + x]) points.push_back({static_cast<int>(x), static_cast<int>(y)});
}

}  // namespace marbleck
