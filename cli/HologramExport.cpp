#include "cli/HologramExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "cli/CalculationDeadline.h"
#include "engine/CalculationEngine.h"
#include "engine/CalculationWork.h"
#include "engine/HologramCalculation.h"
#include "engine/Reconstruction.h"
#include "input/picture/NativeFileName.h"
#include "input/picture/ObjectFile.h"
#include "input/picture/PictureSamples.h"
#include "input/picture/TiffDevice.h"
#include "output/AtomicFile.h"
#include "output/HologramBitmapWriter.h"
#include "platform/RunTimeError.h"

namespace marbleck::cli {

namespace {

std::uint16_t Level16(float value, bool binarized) {
    if (binarized) return value > 0.0f ? 65535 : 0;
    const double scaled = std::nearbyint(static_cast<double>(value) * 65535.0);
    return static_cast<std::uint16_t>(scaled < 0 ? 0 : scaled > 65535 ? 65535 : scaled);
}

// Row v of the image is hologram row v, column u hologram column u.
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

[[noreturn]] void WriteFailed(const QString& output, const QString& reason) {
    throw ExportError(ExitStatus::Write, output, reason.toStdString());
}

[[noreturn]] void WriteFailed(const QString& output, const RunTimeError& error) {
    throw ExportError(ExitStatus::Write, output, error.description(), error.number());
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

// The image is encoded in memory, where only memory can run out, so that
// every failure of the file itself is caught by its checked writes.
void WritePng(const QImage& image, const QString& output) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) WriteFailed(output, writer.errorString());
    WriteWhole(output, encoded);
}

// NumPy's format 1.0: magic, version, header length (little-endian), a
// Python dict padded with blanks to a multiple of 64 bytes ending in a
// newline, then the float32 values in C order: row v, then column u.
void WriteNpy(const HologramField& field, bool binarized, const QString& output) {
    QByteArray header = QStringLiteral("{'descr': '<f4', 'fortran_order': False, 'shape': (%1, %2), }")
                            .arg(field.rows())
                            .arg(field.columns())
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

    static_assert(std::endian::native == std::endian::little, "the values are written as stored");
    QByteArray bytes = start;
    bytes.reserve(start.size() + static_cast<qsizetype>(field.rows()) * field.columns() * 4);
    for (int v = 0; v < field.rows(); ++v)
        for (int u = 0; u < field.columns(); ++u) {
            const float value = binarized ? field(u, v) / 255.0f : field(u, v);
            bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
        }
    WriteWhole(output, bytes);
}

// A single-channel 32-bit float TIFF of the normalised field: image row v
// is hologram row v.
void WriteTiff(const HologramField& field, bool binarized, const QString& output) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::ReadWrite);
    // Encoded in memory, so that the file is written by the same checked
    // writes as the other formats.
    TiffHandle handle = OpenTiffOnDevice(buffer, "hologram", "w");
    TIFF* tiff = handle.get();
    if (tiff == nullptr) WriteFailed(output, QStringLiteral("the TIFF could not be started"));
    const auto columns = static_cast<std::uint32_t>(field.columns());
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, columns) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, field.rows()) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 32) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    std::vector<float> row(columns);
    for (int v = 0; ok && v < field.rows(); ++v) {
        for (int u = 0; u < field.columns(); ++u) row[u] = binarized ? field(u, v) / 255.0f : field(u, v);
        ok = TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(v), 0) == 1;
    }
    ok = TIFFFlush(tiff) == 1 && ok;
    handle.reset();
    if (!ok) WriteFailed(output, QStringLiteral("the TIFF could not be encoded"));
    WriteWhole(output, encoded);
}

// libpng prints its errors itself on standard error, beside the one line per
// failure that the command line promises; while an object is read, standard
// error goes nowhere.
class StandardErrorSilenced {
public:
    StandardErrorSilenced() {
        std::fflush(stderr);
        saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && nowhere >= 0) ::dup2(nowhere, STDERR_FILENO);
        if (nowhere >= 0) ::close(nowhere);
    }
    ~StandardErrorSilenced() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    StandardErrorSilenced(const StandardErrorSilenced&) = delete;
    StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;

private:
    int saved_ = -1;
};

// Qt opens a file by the UTF-8 form of its name, which cannot hold a name's
// bytes that are not UTF-8. Such an output is written whole under a UTF-8
// name in its folder (reached through the folder's descriptor) and then
// renamed to its own bytes.
void WriteUnderOwnName(const QString& output, const std::function<void(const QString&)>& write) {
    const QByteArray native = EncodeNativeFileName(output);
    if (QFile::encodeName(output) == native) {
        write(output);
        return;
    }
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : native.left(slash);
    const QByteArray name = native.mid(slash + 1);
    const int folderDescriptor = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderDescriptor < 0) WriteFailed(output, QString::fromLocal8Bit(std::strerror(errno)));
    const auto closeFolder = qScopeGuard([folderDescriptor] { ::close(folderDescriptor); });
    struct stat target {};
    if (::fstatat(folderDescriptor, name.constData(), &target, 0) == 0 && !S_ISREG(target.st_mode))
        WriteFailed(output, QStringLiteral("not a regular file"));
    const QByteArray aliasName =
        ".marbleck-" + QByteArray::number(::getpid()) + "." + QFileInfo(output).suffix().toUtf8();
    const QString alias =
        QStringLiteral("/proc/self/fd/%1/").arg(folderDescriptor) + QString::fromUtf8(aliasName);
    try {
        write(alias);
    } catch (const ExportError& error) {
        throw ExportError(error.status(), output, error.what(), error.runTimeError());
    }
    if (::renameat(folderDescriptor, aliasName.constData(), folderDescriptor, name.constData()) != 0) {
        const int error = errno;
        ::unlinkat(folderDescriptor, aliasName.constData(), 0);
        WriteFailed(output, QString::fromLocal8Bit(std::strerror(error)));
    }
}

void WriteFieldByName(const HologramField& field, bool binarized, int depth, const QString& output) {
    const QString suffix = QFileInfo(output).suffix().toLower();
    if (suffix == QLatin1String("npy")) {
        WriteNpy(field, binarized, output);
    } else if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff")) {
        WriteTiff(field, binarized, output);
    } else if (suffix == QLatin1String("bmp")) {
        try {
            WriteHologramBitmap(GreyImage(field, binarized, 8), output);
        } catch (const RunTimeError& error) {
            WriteFailed(output, error);
        }
    } else {
        WritePng(GreyImage(field, binarized, depth), output);
    }
}

}  // namespace

void WriteField(const HologramField& field, bool binarized, int depth, const QString& output) {
    WriteUnderOwnName(output, [&](const QString& name) { WriteFieldByName(field, binarized, depth, name); });
}

HologramRequest ObjectRequest(const CliOptions& options, HologramObject object, std::uint64_t seed) {
    HologramRequest request;
    request.object = std::move(object);
    request.reps = options.reps;
    request.engine = options.engine;
    request.randomPhase = options.randomPhase;
    request.seed = seed;
    if (options.balanced)
        request.binarization = BinarizationRequest{"balanced", 0};
    else if (options.binarizeThreshold)
        request.binarization = BinarizationRequest{"threshold", *options.binarizeThreshold};
    return request;
}

HologramResult CalculateObjectHologram(const CliOptions& options, const QImage& image, std::uint64_t seed,
                                       const ExportProgress& progress) {
    const CalculationEngine& engine = CalculationEngineNamed(options.engine);
    // The reps are refused before the picture is read into samples.
    const HologramGeometry geometry = MakeHologramGeometry(static_cast<float>(image.width()),
                                                           static_cast<float>(image.height()), options.reps);
    CancelFlag cancel{false};
    std::optional<CalculationDeadline> deadline;
    if (options.maxSeconds) deadline.emplace(*options.maxSeconds, cancel);
    HologramRequest request = ObjectRequest(options, PictureObject(image), seed);
    const std::vector<ObjectPoint>& points = request.object.litSamples;
    if (engine.addsEveryPointToEveryValue && !options.maxSeconds &&
        PointValues(geometry, points.size()) > ExactWorkBound) {
        const double minutes = EstimatedSeconds(engine, geometry, points, ThreadPool::Shared().size()) / 60.0;
        throw CalculationTooLong(
            QStringLiteral("%1 points × %2 values is more than the 2^%3 bound of the %4 engine (about %5 "
                           "min here); use --engine fast, or --max-seconds S to go on")
                .arg(points.size())
                .arg(static_cast<long long>(geometry.columns) * geometry.rows)
                .arg(ExactWorkBoundExponent)
                .arg(QString::fromUtf8(engine.name.data(), static_cast<qsizetype>(engine.name.size())))
                .arg(std::ceil(minutes))
                .toStdString());
    }

    CalculationControl control;
    control.cancelFlag = &cancel;
    // The points done once canvas column x is summed: those of columns 0 .. x.
    std::vector<long long> pointsThroughColumn;
    if (progress) {
        pointsThroughColumn.assign(static_cast<std::size_t>(geometry.canvasColumns), 0);
        for (const ObjectPoint& p : points)
            if (p.x >= 0 && p.x < geometry.canvasColumns)
                ++pointsThroughColumn[static_cast<std::size_t>(p.x)];
        for (std::size_t x = 1; x < pointsThroughColumn.size(); ++x)
            pointsThroughColumn[x] += pointsThroughColumn[x - 1];
        const auto total = static_cast<long long>(points.size());
        control.columnDone = [&pointsThroughColumn, &progress, total](int x) {
            progress(pointsThroughColumn[static_cast<std::size_t>(x)], total);
        };
    }
    try {
        return MakeHologram(std::move(request), control);
    } catch (const CalculationCancelled&) {
        throw CalculationTooLong(
            QStringLiteral("stopped after %1 s (--max-seconds)").arg(*options.maxSeconds).toStdString());
    }
}

QImage ReconstructionImage(const Reconstruction& r) {
    QImage image(r.columns, r.rows, QImage::Format_Grayscale8);
    if (image.isNull()) throw std::bad_alloc();
    const std::vector<std::uint8_t> levels = LogScaleLevels(r, DefaultDecades);
    for (int y = 0; y < r.rows; ++y)
        std::memcpy(image.scanLine(y), levels.data() + static_cast<std::size_t>(y) * r.columns,
                    static_cast<std::size_t>(r.columns));
    return image;
}

ExportSummary ExportHologram(const CliOptions& options, const QString& object, const QString& output,
                             std::uint64_t seed, const ExportProgress& progress,
                             const QString& reconstruction) {
    QElapsedTimer timer;
    timer.start();
    QImage image;
    try {
        // The window's reader: the same checks, and the same picture of the same file.
        const StandardErrorSilenced quiet;
        image = ReadObjectFile(object, ObjectFileKindOf(object), WholePicture).picture;
    } catch (const RunTimeError& error) {
        throw ExportError(ExitStatus::Input, object, error.description());
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Input, object, "out of memory");
    }

    ExportSummary summary;
    summary.input = object;
    summary.output = output;
    summary.width = image.width();
    summary.height = image.height();
    summary.reps = options.reps;
    summary.engine = QString::fromStdString(options.engine);
    if (options.randomPhase) summary.seed = seed;

    HologramResult hologram;
    try {
        hologram = CalculateObjectHologram(options, image, seed, progress);
        summary.points = static_cast<long long>(hologram.litSamples.size());
        if (hologram.binarization) summary.threshold = hologram.binarization->threshold;
        summary.rawMinimum = hologram.rawRange.minimum;
        summary.rawMaximum = hologram.rawRange.maximum;
    } catch (const RunTimeError& error) {
        throw ExportError(ExitStatus::Input, object, error.description());
    } catch (const CalculationTooLong& error) {
        throw ExportError(ExitStatus::Input, object, error.what());
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Input, object, "out of memory");
    }
    // What the output holds: the binarized field when the options binarize.
    const HologramField& field = hologram.binarization ? hologram.binarization->field : hologram.field;
    summary.columns = field.columns();
    summary.rows = field.rows();

    try {
        WriteField(field, hologram.binarization.has_value(), options.depth, output);
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Write, output, "out of memory");
    }
    if (options.dpi)
        summary.physical = ComputePhysicalFigures(summary.columns, summary.rows, *options.dpi, options.scale,
                                                  options.wavelengthNm, options.distanceM);
    const bool reconstructed = !options.reconstruct.isEmpty() && !reconstruction.isEmpty();
    if (!options.report && !reconstructed) {
        summary.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        return summary;
    }
    try {
        const HologramGeometry& g = hologram.geometry;
        const Reconstruction r = Reconstruct(field, g.columns, g.rows);
        summary.fidelity = FidelityFigure(r, hologram.litSamples, g);
        if (reconstructed) {
            const QImage picture = ReconstructionImage(r);
            WriteUnderOwnName(reconstruction, [&](const QString& name) { WritePng(picture, name); });
            summary.reconstruction = reconstruction;
        }
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Write, reconstruction, "out of memory");
    }
    summary.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return summary;
}

namespace {

// JSON has no NaN or infinity: a figure that is none is null.
QJsonValue Number(std::optional<double> value) {
    return value && std::isfinite(*value) ? QJsonValue(*value) : QJsonValue();
}

}  // namespace

QByteArray SummaryJson(const ExportSummary& s) {
    QJsonObject json{{QStringLiteral("input"), s.input},
                     {QStringLiteral("output"), s.output},
                     {QStringLiteral("width"), s.width},
                     {QStringLiteral("height"), s.height},
                     {QStringLiteral("reps"), s.reps},
                     {QStringLiteral("points"), s.points},
                     {QStringLiteral("columns"), s.columns},
                     {QStringLiteral("rows"), s.rows},
                     {QStringLiteral("rawMinimum"), s.rawMinimum},
                     {QStringLiteral("rawMaximum"), s.rawMaximum},
                     {QStringLiteral("engine"), s.engine},
                     {QStringLiteral("seed"), s.seed ? QJsonValue(QString::number(*s.seed)) : QJsonValue()},
                     {QStringLiteral("threshold"), s.threshold ? QJsonValue(*s.threshold) : QJsonValue()},
                     {QStringLiteral("fidelity"), Number(s.fidelity)},
                     {QStringLiteral("reconstruction"),
                      s.reconstruction.isEmpty() ? QJsonValue() : QJsonValue(s.reconstruction)},
                     {QStringLiteral("seconds"), s.seconds}};
    if (s.physical) {
        const PhysicalFigures& f = *s.physical;
        json.insert(QStringLiteral("print"),
                    QJsonObject{{QStringLiteral("pitchMm"), f.pitchMm},
                                {QStringLiteral("widthMm"), f.widthMm},
                                {QStringLiteral("heightMm"), f.heightMm},
                                {QStringLiteral("wavelengthNm"), f.wavelengthNm},
                                {QStringLiteral("distanceM"), f.distanceM},
                                {QStringLiteral("maxAngleDegrees"), Number(f.maxAngleDegrees)},
                                {QStringLiteral("screenImageMm"), Number(f.screenImageMm)},
                                {QStringLiteral("screenSpanMm"), Number(f.screenSpanMm)}});
    }
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

}  // namespace marbleck::cli
