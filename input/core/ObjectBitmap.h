#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <span>

#include "input/core/ObjectPixels.h"

namespace marbleck {

// The 14-byte file header, fields in file order (all little-endian).
struct ObjectFileHeader {
    std::uint16_t type = 0;
    std::uint32_t size = 0;
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t offBits = 0;

    bool operator==(const ObjectFileHeader&) const = default;
};

// The 40-byte information header, fields in file order (all little-endian).
struct ObjectInfoHeader {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;

    bool operator==(const ObjectInfoHeader&) const = default;
};

// 256 entries of blue, green, red, reserved. Kept, but the preview ignores it.
using ObjectColourTable = std::array<std::array<std::uint8_t, 4>, 256>;

// The fixed layout every object file is read with, whatever its bit depth,
// compression or stored pixel-data offset say.
inline constexpr std::size_t ObjectFileHeaderBytes = 14;
inline constexpr std::size_t ObjectInfoHeaderBytes = 40;
inline constexpr std::size_t ObjectHeadersBytes = ObjectFileHeaderBytes + ObjectInfoHeaderBytes;
inline constexpr std::size_t ObjectColourTableBytes = 1024;
inline constexpr std::size_t ObjectPixelsOffset = ObjectHeadersBytes + ObjectColourTableBytes;

// One object bitmap as read from its file, with the row layout derived from
// the width and height: pad = (4 − width mod 4) mod 4, rowBytes = width + pad,
// xMax = rowBytes − 1, yMax = height − 1.
struct ObjectBitmap {
    ObjectFileHeader fileHeader;
    ObjectInfoHeader infoHeader;
    ObjectColourTable colourTable{};
    ObjectPixels pixels;
    int pad = 0;
    int rowBytes = 0;
    int xMax = -1;
    int yMax = -1;

    bool operator==(const ObjectBitmap&) const = default;
};

// Reads a whole object file held in memory. Nothing is changed on failure; the
// result is complete or an exception is thrown:
// - RunTimeError 481 when the file is shorter than its two headers (54 bytes),
//   or when the width or the height is not positive (a negative height, a
//   top-down bitmap, gets its own description);
// - RunTimeError 6 when rowBytes does not fit a 32-bit integer.
// Colour-table and pixel bytes missing at the end of the file read as 0.
ObjectBitmap ReadObjectBitmap(std::span<const std::uint8_t> fileBytes);

// The same from a stream opened in binary mode, read strictly in sequence from
// its current position. Reads no more than 1078 + rowBytes × height bytes, and
// memory grows only with the bytes that actually arrive, so a header claiming
// a huge image in a small file allocates little.
ObjectBitmap ReadObjectBitmap(std::istream& file);

}  // namespace marbleck
