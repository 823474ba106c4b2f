#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <span>

#include "engine/core/HologramField.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck {

// The writers of the output formats (OutputFormats holds the table of them).
// Each encodes the whole file in memory and writes it through
// WriteFileAtomically, so an earlier file survives any failure, and throws
// FileWriteError naming `output` (with the run-time error 61 or 75 where the
// file itself failed). `output` must be a name Qt can open; WriteHologramFile
// handles any other. A binarized field holds 0 and 255, a normalised one
// values in [0, 1].

// The field as grey levels of `depth` 8 or 16 bits: row v of the image is
// hologram row v, column u hologram column u. Throws std::bad_alloc.
QImage GreyImage(const HologramField& field, bool binarized, int depth);

// `image` as a PNG.
void WritePng(const QImage& image, const QString& output);

// The field's grey levels as an 8- or 16-bit grey PNG.
void WriteGreyPng(const HologramField& field, bool binarized, int depth, const QString& output);

// The field's 8-bit grey levels as "Save Holo" writes a bitmap.
void WriteGreyBitmap(const HologramField& field, bool binarized, const QString& output);

// A single-channel 32-bit float TIFF of the normalised field (a binarized
// one as 0 and 1): image row v is hologram row v.
void WriteFloatTiff(const HologramField& field, bool binarized, const QString& output);

// NumPy's format 1.0 of the normalised field (a binarized one as 0 and 1):
// float32, shape (rows, columns), row v at index v.
void WriteNpy(const HologramField& field, bool binarized, const QString& output);

// NumPy's format 1.0 of complex fields on one plane (one a wavelength):
// complex64 ('<c8'), shape (rows, columns) for one field, (fields, rows,
// columns) for several, row v at index v. Throws std::bad_alloc and
// std::invalid_argument for fields on different planes or none.
void WriteComplexNpy(std::span<const SceneField> fields, const QString& output);

// The real or the imaginary parts of complex fields on one plane as a
// 32-bit float TIFF, one page a field (a wavelength), image row v of each
// page hologram row v, encoded in memory. Throws FileWriteError naming
// `output` where libtiff fails, std::bad_alloc, and std::invalid_argument
// for fields on different planes or none.
enum class ComplexPart { Real, Imaginary };
QByteArray EncodeComplexTiff(std::span<const SceneField> fields, ComplexPart part, const QString& output);

}  // namespace marbleck
