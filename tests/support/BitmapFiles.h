#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <vector>

namespace marbleck::test {

// An 8-bit bitmap file spelt out byte by byte, so that the padding bytes and
// the colour table are exactly what the test says. Other bit counts and
// compressions take their pixel bytes as given (a run-length stream, say).
struct Bitmap8 {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    // Entry i is grey level i unless changed.
    std::vector<std::uint32_t> colours = greyTable();
    // Stored rows in file order (bottom row first), padding included.
    std::vector<std::uint8_t> pixels;

    static std::vector<std::uint32_t> greyTable() {
        std::vector<std::uint32_t> table(256);
        for (std::uint32_t i = 0; i < 256; ++i) table[i] = i | i << 8 | i << 16;
        return table;
    }
    static int rowBytes(int width) { return (width + 3) / 4 * 4; }

    // A full image whose every stored byte, padding included, is `value`.
    static Bitmap8 filled(int width, int height, std::uint8_t value) {
        Bitmap8 b;
        b.width = width;
        b.height = height;
        b.pixels.assign(static_cast<std::size_t>(rowBytes(width) * height), value);
        return b;
    }

    QByteArray bytes() const {
        QByteArray out;
        auto put = [&out](std::uint32_t value, int count) {
            for (int i = 0; i < count; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
        };
        const auto pixelOffset = static_cast<std::uint32_t>(54 + 4 * colours.size());
        out.append("BM");
        put(pixelOffset + static_cast<std::uint32_t>(pixels.size()), 4);
        put(0, 4);
        put(pixelOffset, 4);
        put(40, 4);
        put(static_cast<std::uint32_t>(width), 4);
        put(static_cast<std::uint32_t>(height), 4);
        put(1, 2);
        put(bitCount, 2);
        put(compression, 4);
        put(static_cast<std::uint32_t>(pixels.size()), 4);
        put(3780, 4);
        put(3780, 4);
        put(static_cast<std::uint32_t>(colours.size()), 4);
        put(0, 4);
        for (std::uint32_t c : colours) put(c, 4);  // blue, green, red, 0
        for (std::uint8_t p : pixels) out.append(static_cast<char>(p));
        return out;
    }
};

inline QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// `bytes` with the little-endian field of `count` bytes at `offset` set to `value`.
inline QByteArray withField(QByteArray bytes, int offset, int count, std::uint32_t value) {
    for (int i = 0; i < count; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// Little-endian fields of a bitmap file's headers.
inline std::uint32_t field(const QByteArray& bytes, int offset, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count && offset + i < bytes.size(); ++i)
        value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[offset + i])) << (8 * i);
    return value;
}

}  // namespace marbleck::test
