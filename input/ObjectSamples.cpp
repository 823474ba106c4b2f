#include "input/ObjectSamples.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <numeric>

#include "widgets/PictureArea.h"

namespace marbleck {

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
    const QImage rgb = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    // A conversion without memory gives a null image, which would read as
    // an object with no lit point.
    if (rgb.isNull() && !image.isNull()) throw std::bad_alloc();
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

}  // namespace marbleck
