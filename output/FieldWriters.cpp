#include "output/FieldWriters.h"

#include <QBuffer>
#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

#include "engine/core/HologramField.h"
#include "engine/sums/Normalisation.h"
#include "input/picture/TiffDevice.h"
#include "output/AtomicFile.h"
#include "output/FileWriteError.h"
#include "output/HologramBitmapWriter.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

std::uint16_t Level16(float value, bool binarized) {
    if (binarized) return value > 0.0f ? 65535 : 0;
    const double scaled = std::nearbyint(static_cast<double>(value) * 65535.0);
    return static_cast<std::uint16_t>(scaled < 0 ? 0 : scaled > 65535 ? 65535 : scaled);
}

[[noreturn]] void WriteFailed(const QString& output, const QString& reason) {
    throw FileWriteError(output, reason.toStdString());
}

[[noreturn]] void WriteFailed(const QString& output, const RunTimeError& error) {
    throw FileWriteError(output, error.description(), error.number());
}

// Writes the whole file atomically through the program's own writer, so
// that its failures (61 for lack of space, 75 otherwise) become write errors.
void WriteWhole(const QString& output, const QByteArray& bytes) {
    try {
        WriteFileAtomically(output, bytes);
    } catch (const RunTimeError& error) {
        WriteFailed(output, error);
    }
}

}  // namespace

QImage GreyImage(const HologramField& field, bool binarized, int depth) {
    QImage image(field.columns(), field.rows(),
                 depth == 16 ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
    if (image.isNull()) throw std::bad_alloc();
    for (int v = 0; v < field.rows(); ++v) {
        uchar* line = image.scanLine(v);
        for (int u = 0; u < field.columns(); ++u) {
            if (depth == 16) {
                const std::uint16_t level = Level16(field(u, v), binarized);
                std::memcpy(line + 2 * u, &level, sizeof level);
            } else {
                line[u] = GreyLevel(field(u, v));
            }
        }
    }
    return image;
}

void WritePng(const QImage& image, const QString& output) {
    QString error;
    const QByteArray encoded = EncodeImage(image, "png", error);
    if (!error.isEmpty()) WriteFailed(output, error);
    WriteWhole(output, encoded);
}

void WriteGreyPng(const HologramField& field, bool binarized, int depth, const QString& output) {
    WritePng(GreyImage(field, binarized, depth), output);
}

void WriteGreyBitmap(const HologramField& field, bool binarized, const QString& output) {
    try {
        WriteHologramBitmap(GreyImage(field, binarized, 8), output);
    } catch (const RunTimeError& error) {
        WriteFailed(output, error);
    }
}

// NumPy's format 1.0: magic, version, header length (little-endian), a
// Python dict padded with blanks to a multiple of 64 bytes ending in a
// newline, then the float32 values in C order: row v, then column u.
namespace {

// NumPy's format 1.0 preamble and header of an array of `descr` values of
// `shape` (C order), padded to a multiple of 64 bytes.
QByteArray NpyHeader(const char* descr, const QString& shape) {
    QByteArray header = QStringLiteral("{'descr': '%1', 'fortran_order': False, 'shape': (%2), }")
                            .arg(QLatin1String(descr), shape)
                            .toLatin1();
    const int preamble = 10;
    const int total = ((preamble + header.size() + 1 + 63) / 64) * 64;
    header.append(QByteArray(total - preamble - header.size() - 1, ' '));
    header.append('\n');
    QByteArray start("\x93NUMPY\x01\x00", 8);
    const auto length = static_cast<std::uint16_t>(header.size());
    start.append(static_cast<char>(length & 0xff));
    start.append(static_cast<char>(length >> 8));
    start.append(header);
    return start;
}

}  // namespace

void WriteNpy(const HologramField& field, bool binarized, const QString& output) {
    static_assert(std::endian::native == std::endian::little, "the values are written as stored");
    QByteArray bytes = NpyHeader("<f4", QStringLiteral("%1, %2").arg(field.rows()).arg(field.columns()));
    bytes.reserve(bytes.size() + static_cast<qsizetype>(field.rows()) * field.columns() * 4);
    for (int v = 0; v < field.rows(); ++v)
        for (int u = 0; u < field.columns(); ++u) {
            const float value = binarized ? field(u, v) / 255.0f : field(u, v);
            bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
        }
    WriteWhole(output, bytes);
}

void WriteComplexNpy(std::span<const SceneField> fields, const QString& output) {
    static_assert(std::endian::native == std::endian::little, "the values are written as stored");
    if (fields.empty()) throw std::invalid_argument("no complex field to write");
    const ScenePlane& plane = fields.front().plane;
    QString shape = QStringLiteral("%1, %2").arg(plane.rows).arg(plane.columns);
    if (fields.size() > 1) shape = QStringLiteral("%1, ").arg(fields.size()) + shape;
    QByteArray bytes = NpyHeader("<c8", shape);
    for (const SceneField& field : fields) {
        if (field.plane.columns != plane.columns || field.plane.rows != plane.rows ||
            field.values.size() != plane.size())
            throw std::invalid_argument("the complex fields of one file lie on one plane");
        bytes.append(reinterpret_cast<const char*>(field.values.data()),
                     static_cast<qsizetype>(field.values.size() * sizeof(std::complex<float>)));
    }
    WriteWhole(output, bytes);
}

namespace {

// 32-bit float TIFF pages of columns × rows, one sample a pixel, encoded in
// memory so that the file is written by the same checked writes as the
// other formats; fill(page, v, row) gives image row v of each page. Pages
// after the first follow as further directories, each marked a page.
QByteArray EncodeFloatTiff(int columns, int rows, int pages,
                           const std::function<void(int, int, float*)>& fill, const QString& output) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::ReadWrite);
    TiffHandle handle = OpenTiffOnDevice(buffer, "hologram", "w");
    TIFF* tiff = handle.get();
    if (tiff == nullptr) WriteFailed(output, QStringLiteral("the TIFF could not be started"));
    const auto width = static_cast<std::uint32_t>(columns);
    std::vector<float> row(width);
    bool ok = true;
    for (int page = 0; ok && page < pages; ++page) {
        if (page > 0) ok = TIFFWriteDirectory(tiff) == 1;
        ok = ok && TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width) &&
             TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, rows) &&
             TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) &&
             TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 32) &&
             TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP) &&
             TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
             TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
             TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
             TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
        if (ok && pages > 1)
            ok = TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE) &&
                 TIFFSetField(tiff, TIFFTAG_PAGENUMBER, page, pages);
        for (int v = 0; ok && v < rows; ++v) {
            fill(page, v, row.data());
            ok = TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(v), 0) == 1;
        }
    }
    ok = TIFFFlush(tiff) == 1 && ok;
    handle.reset();
    if (!ok) WriteFailed(output, QStringLiteral("the TIFF could not be encoded"));
    return encoded;
}

}  // namespace

void WriteFloatTiff(const HologramField& field, bool binarized, const QString& output) {
    const QByteArray encoded = EncodeFloatTiff(
        field.columns(), field.rows(), 1,
        [&](int, int v, float* row) {
            for (int u = 0; u < field.columns(); ++u) row[u] = binarized ? field(u, v) / 255.0f : field(u, v);
        },
        output);
    WriteWhole(output, encoded);
}

QByteArray EncodeComplexTiff(std::span<const SceneField> fields, ComplexPart part, const QString& output) {
    if (fields.empty()) throw std::invalid_argument("no complex field to write");
    const ScenePlane& plane = fields.front().plane;
    for (const SceneField& field : fields)
        if (field.plane.columns != plane.columns || field.plane.rows != plane.rows ||
            field.values.size() != plane.size())
            throw std::invalid_argument("the complex fields of one file lie on one plane");
    return EncodeFloatTiff(
        plane.columns, plane.rows, static_cast<int>(fields.size()),
        [&](int page, int v, float* row) {
            const std::complex<float>* values = fields[static_cast<std::size_t>(page)].row(v);
            for (int u = 0; u < plane.columns; ++u)
                row[u] = part == ComplexPart::Real ? values[u].real() : values[u].imag();
        },
        output);
}

}  // namespace marbleck
