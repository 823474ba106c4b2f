#include "output/OutputFormats.h"

#include <QFileInfo>
#include <algorithm>
#include <array>

#include "output/AtomicFile.h"
#include "output/FieldWriters.h"
#include "output/FileWriteError.h"
#include "output/OwnNameFile.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

void WritePngFormat(const HologramField& field, bool binarized, int depth, const QString& output) {
    WriteGreyPng(field, binarized, depth, output);
}

void WriteBitmapFormat(const HologramField& field, bool binarized, int, const QString& output) {
    WriteGreyBitmap(field, binarized, output);
}

void WriteTiffFormat(const HologramField& field, bool binarized, int, const QString& output) {
    WriteFloatTiff(field, binarized, output);
}

void WriteNpyFormat(const HologramField& field, bool binarized, int, const QString& output) {
    WriteNpy(field, binarized, output);
}

// The real parts and the imaginary parts as two float TIFFs, written as one.
void WriteComplexTiffPair(std::span<const SceneField> fields, const QString& output) {
    const QStringList names = ComplexOutputFiles(output);
    const QByteArray real = EncodeComplexTiff(fields, ComplexPart::Real, names[0]);
    const QByteArray imaginary = EncodeComplexTiff(fields, ComplexPart::Imaginary, names[1]);
    WriteUnderOwnName(names[0], [&](const QString& realName) {
        WriteUnderOwnName(names[1], [&](const QString& imaginaryName) {
            const AtomicFileBytes files[] = {{realName, real}, {imaginaryName, imaginary}};
            std::size_t failed = 0;
            try {
                WriteFilesAtomically(files, failed);
            } catch (const RunTimeError& error) {
                throw FileWriteError(names[static_cast<qsizetype>(failed)], error.description(),
                                     error.number());
            }
        });
    });
}

const std::array<OutputFormat, 4>& Table() {
    static const std::array<OutputFormat, 4> table{{
        {QStringLiteral("PNG"),
         {QStringLiteral("png")},
         QStringLiteral("grey levels, 8 or 16 bits"),
         {8, 16},
         true,
         WritePngFormat},
        {QStringLiteral("BMP"),
         {QStringLiteral("bmp")},
         QStringLiteral("8-bit grey levels with a 256-entry grey colour table"),
         {8},
         true,
         WriteBitmapFormat},
        {QStringLiteral("TIFF"),
         {QStringLiteral("tif"), QStringLiteral("tiff")},
         QStringLiteral("one 32-bit float sample per pixel, the normalised field"),
         {},
         true,
         WriteTiffFormat,
         WriteComplexTiffPair,
         true},
        // Written by the command line for scripts; not offered by "Save Hologram As…".
        {QStringLiteral("NumPy"),
         {QStringLiteral("npy")},
         QStringLiteral("NumPy float32, the normalised field, shape (rows, columns)"),
         {},
         false,
         WriteNpyFormat,
         WriteComplexNpy},
    }};
    return table;
}

}  // namespace

bool OutputFormat::takesDepth(int depth) const {
    return std::find(depths.begin(), depths.end(), depth) != depths.end();
}

std::span<const OutputFormat> OutputFormats() { return Table(); }

const OutputFormat* OutputFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const OutputFormat& format : Table())
        if (format.extensions.contains(suffix)) return &format;
    return nullptr;
}

QString WrittenExtensionsText(bool firstOnly) {
    QStringList extensions;
    for (const OutputFormat& format : Table())
        for (const QString& extension : firstOnly ? format.extensions.mid(0, 1) : format.extensions)
            extensions.append(QLatin1Char('.') + extension);
    const QString last = extensions.takeLast();
    return extensions.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

std::vector<SaveDialogChoice> SaveDialogChoices() {
    std::vector<SaveDialogChoice> choices;
    for (const OutputFormat& format : Table()) {
        if (!format.inSaveDialog) continue;
        QStringList patterns;
        for (const QString& extension : format.extensions) patterns.append(QStringLiteral("*.") + extension);
        const QString files = QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        if (format.depths.size() < 2) {
            choices.push_back(
                {format.label + files, &format, format.depths.empty() ? 8 : format.depths.front()});
            continue;
        }
        for (const int depth : format.depths)
            choices.push_back({format.label + QStringLiteral(" %1-bit").arg(depth) + files, &format, depth});
    }
    return choices;
}

void WriteHologramFile(const HologramField& field, bool binarized, int depth, const QString& output) {
    const OutputFormat* format = OutputFormatOf(output);
    if (format == nullptr) format = &Table().front();
    WriteUnderOwnName(output, [&](const QString& name) { format->write(field, binarized, depth, name); });
}

void WriteComplexFile(std::span<const SceneField> fields, const QString& output) {
    const OutputFormat* format = OutputFormatOf(output);
    if (format == nullptr || format->writeComplex == nullptr)
        throw FileWriteError(
            output, "a complex field is written to " + ComplexExtensionsText().toStdString() + " only");
    if (format->complexPair) {
        format->writeComplex(fields, output);
        return;
    }
    WriteUnderOwnName(output, [&](const QString& name) { format->writeComplex(fields, name); });
}

QStringList ComplexOutputFiles(const QString& output) {
    const OutputFormat* format = OutputFormatOf(output);
    if (format == nullptr || !format->complexPair) return {output};
    const QString extension = QFileInfo(output).suffix();
    const QString stem = output.left(output.size() - extension.size());
    return {stem + QStringLiteral("re.") + extension, stem + QStringLiteral("im.") + extension};
}

QString ComplexExtensionsText() {
    QStringList extensions;
    for (const OutputFormat& format : Table())
        if (format.writeComplex != nullptr) extensions.append(QLatin1Char('.') + format.extensions.front());
    return extensions.join(QStringLiteral(" or "));
}

}  // namespace marbleck
