#include "input/core/ObjectBitmap.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

// Little-endian fields read in sequence from the first 1078 bytes of a file;
// the caller has zero-filled whatever the file does not hold.
class HeaderCursor {
public:
    explicit HeaderCursor(const std::array<std::uint8_t, ObjectPixelsOffset>& bytes) : bytes_(bytes) {}

    std::uint16_t u16() { return static_cast<std::uint16_t>(unsignedField(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(unsignedField(4)); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::uint8_t u8() { return bytes_[position_++]; }

private:
    std::uint64_t unsignedField(int byteCount) {
        std::uint64_t value = 0;
        for (int i = 0; i < byteCount; ++i) {
            value |= static_cast<std::uint64_t>(bytes_[position_++]) << (8 * i);
        }
        return value;
    }

    const std::array<std::uint8_t, ObjectPixelsOffset>& bytes_;
    std::size_t position_ = 0;
};

[[noreturn]] void refuse(const std::string& why) {
    throw RunTimeError(ErrorNumber::InvalidPicture, "Invalid picture: " + why);
}

// Everything before the pixel bytes, checked. headerBytes holds the file's
// first bytes, available of them real and the rest zero.
ObjectBitmap readHeaders(const std::array<std::uint8_t, ObjectPixelsOffset>& headerBytes,
                         std::size_t available) {
    if (available < ObjectHeadersBytes) {
        refuse("not a bitmap (the file ends inside its headers)");
    }
    ObjectBitmap bitmap;
    HeaderCursor cursor(headerBytes);
    ObjectFileHeader& file = bitmap.fileHeader;
    file.type = cursor.u16();
    file.size = cursor.u32();
    file.reserved1 = cursor.u16();
    file.reserved2 = cursor.u16();
    file.offBits = cursor.u32();
    ObjectInfoHeader& info = bitmap.infoHeader;
    info.size = cursor.u32();
    info.width = cursor.i32();
    info.height = cursor.i32();
    info.planes = cursor.u16();
    info.bitCount = cursor.u16();
    info.compression = cursor.u32();
    info.sizeImage = cursor.u32();
    info.xPelsPerMeter = cursor.i32();
    info.yPelsPerMeter = cursor.i32();
    info.clrUsed = cursor.u32();
    info.clrImportant = cursor.u32();
    for (auto& entry : bitmap.colourTable) {
        for (auto& component : entry) {
            component = cursor.u8();
        }
    }

    if (info.height < 0) {
        refuse("top-down bitmaps (negative height) are not supported");
    }
    if (info.width <= 0 || info.height == 0) {
        refuse("the bitmap's width and height must be positive");
    }
    // Rows are padded to whole 32-bit words.
    const std::int64_t pad = (4 - info.width % 4) % 4;
    const std::int64_t rowBytes = std::int64_t{info.width} + pad;
    if (rowBytes > std::numeric_limits<int>::max()) {
        throw RunTimeError(ErrorNumber::Overflow, "Overflow");
    }
    bitmap.pad = static_cast<int>(pad);
    bitmap.rowBytes = static_cast<int>(rowBytes);
    bitmap.xMax = bitmap.rowBytes - 1;
    bitmap.yMax = info.height - 1;
    return bitmap;
}

std::uint64_t pixelByteCount(const ObjectBitmap& bitmap) {
    return static_cast<std::uint64_t>(bitmap.rowBytes) * static_cast<std::uint64_t>(bitmap.infoHeader.height);
}

}  // namespace

ObjectBitmap ReadObjectBitmap(std::span<const std::uint8_t> fileBytes) {
    std::array<std::uint8_t, ObjectPixelsOffset> headerBytes{};
    const std::size_t headerAvailable = std::min(fileBytes.size(), ObjectPixelsOffset);
    std::copy_n(fileBytes.begin(), headerAvailable, headerBytes.begin());
    ObjectBitmap bitmap = readHeaders(headerBytes, headerAvailable);

    const auto pixelBytes = fileBytes.subspan(headerAvailable);
    const auto wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(pixelByteCount(bitmap), pixelBytes.size()));
    bitmap.pixels = ObjectPixels(bitmap.rowBytes, bitmap.infoHeader.height,
                                 std::vector<std::uint8_t>(pixelBytes.begin(), pixelBytes.begin() + wanted));
    return bitmap;
}

ObjectBitmap ReadObjectBitmap(std::istream& file) {
    std::array<std::uint8_t, ObjectPixelsOffset> headerBytes{};
    file.read(reinterpret_cast<char*>(headerBytes.data()), headerBytes.size());
    const auto headerAvailable = static_cast<std::size_t>(file.gcount());
    ObjectBitmap bitmap = readHeaders(headerBytes, headerAvailable);

    // Read in bounded chunks so that the buffer only ever holds bytes the file
    // really delivered, however large the header says the image is.
    constexpr std::uint64_t chunkBytes = 64 * 1024;
    std::uint64_t remaining = headerAvailable == ObjectPixelsOffset ? pixelByteCount(bitmap) : 0;
    std::vector<std::uint8_t> stored;
    while (remaining > 0 && file) {
        const auto request = static_cast<std::size_t>(std::min(remaining, chunkBytes));
        const std::size_t oldSize = stored.size();
        stored.resize(oldSize + request);
        file.read(reinterpret_cast<char*>(stored.data() + oldSize), static_cast<std::streamsize>(request));
        const auto got = static_cast<std::size_t>(file.gcount());
        stored.resize(oldSize + got);
        remaining -= got;
    }
    bitmap.pixels = ObjectPixels(bitmap.rowBytes, bitmap.infoHeader.height, std::move(stored));
    return bitmap;
}

}  // namespace marbleck
