// Every format of the table, written by its own writer at an odd size, reads
// back through a reader of its own kind to the field's values: grey levels
// for the pictures, the floats themselves for TIFF and NumPy.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/core/HologramField.h"
#include "engine/kinds/HologramJob.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "engine/sums/Normalisation.h"
#include "output/FileWriteError.h"
#include "output/HologramOutput.h"
#include "output/OutputFormats.h"

namespace marbleck {
namespace {

// 23 × 17, the bytes of a row no multiple of four: values spread over
// [0, 1] with both ends, or the 0 and 255 of a binarized field.
HologramField OddField(bool binarized) {
    HologramField field(23, 17);
    for (int v = 0; v < field.rows(); ++v)
        for (int u = 0; u < field.columns(); ++u) {
            const float value = static_cast<float>(0.5 + 0.5 * std::sin(0.9 * u + 0.31 * v * v));
            field(u, v) = binarized ? (value > 0.5f ? 255.0f : 0.0f) : value;
        }
    field(0, 0) = 0.0f;
    field(22, 16) = binarized ? 255.0f : 1.0f;
    return field;
}

// What a reader found at (u, v) and what the writer should have put there.
using Check = std::function<void(const QString& path, const HologramField& field, bool binarized, int depth)>;

void CheckGreyPicture(const QString& path, const HologramField& field, bool binarized, int depth) {
    const QImage image(path);
    ASSERT_EQ(image.size(), QSize(field.columns(), field.rows()));
    for (int v = 0; v < field.rows(); ++v)
        for (int u = 0; u < field.columns(); ++u) {
            if (depth == 16) {
                const int expected = binarized ? (field(u, v) > 0 ? 65535 : 0)
                                               : static_cast<int>(std::lround(field(u, v) * 65535.0));
                ASSERT_EQ(image.pixelColor(u, v).rgba64().red(), expected) << u << "," << v;
            } else {
                ASSERT_EQ(qRed(image.pixel(u, v)), GreyLevel(field(u, v))) << u << "," << v;
            }
        }
}

float Stored(const HologramField& field, bool binarized, int u, int v) {
    return binarized ? field(u, v) / 255.0f : field(u, v);
}

void CheckFloatTiff(const QString& path, const HologramField& field, bool binarized, int) {
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    ASSERT_NE(tiff, nullptr);
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 0, format = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    EXPECT_EQ(bits, 32);
    EXPECT_EQ(format, SAMPLEFORMAT_IEEEFP);
    EXPECT_EQ(width, static_cast<std::uint32_t>(field.columns()));
    EXPECT_EQ(height, static_cast<std::uint32_t>(field.rows()));
    std::vector<float> row(width);
    for (int v = 0; v < field.rows() && width == static_cast<std::uint32_t>(field.columns()); ++v) {
        ASSERT_EQ(TIFFReadScanline(tiff, row.data(), static_cast<std::uint32_t>(v), 0), 1);
        for (int u = 0; u < field.columns(); ++u)
            EXPECT_EQ(row[u], Stored(field, binarized, u, v)) << u << "," << v;
    }
    TIFFClose(tiff);
}

void CheckNpy(const QString& path, const HologramField& field, bool binarized, int) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 10);
    EXPECT_EQ(bytes.left(8), QByteArray("\x93NUMPY\x01\x00", 8));
    const int headerLength = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    const QByteArray header = bytes.mid(10, headerLength);
    EXPECT_EQ((10 + headerLength) % 64, 0);
    EXPECT_TRUE(header.endsWith('\n'));
    EXPECT_TRUE(header.contains("'descr': '<f4'")) << header.toStdString();
    EXPECT_TRUE(header.contains("'fortran_order': False")) << header.toStdString();
    EXPECT_TRUE(header.contains("'shape': (17, 23)")) << header.toStdString();
    const QByteArray data = bytes.mid(10 + headerLength);
    ASSERT_EQ(data.size(), qsizetype{4} * field.columns() * field.rows());
    for (int v = 0; v < field.rows(); ++v)
        for (int u = 0; u < field.columns(); ++u) {
            float value = 0;
            std::memcpy(&value, data.constData() + 4 * (static_cast<qsizetype>(v) * field.columns() + u), 4);
            ASSERT_EQ(value, Stored(field, binarized, u, v)) << u << "," << v;
        }
}

// A reader per format: a format added to the table without one fails here.
const std::map<QString, Check>& Readers() {
    static const std::map<QString, Check> readers{{QStringLiteral("PNG"), CheckGreyPicture},
                                                  {QStringLiteral("BMP"), CheckGreyPicture},
                                                  {QStringLiteral("TIFF"), CheckFloatTiff},
                                                  {QStringLiteral("NumPy"), CheckNpy}};
    return readers;
}

TEST(OutputFormats, EveryFormatReadsBackAtAnOddSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const OutputFormat& format : OutputFormats()) {
        const auto reader = Readers().find(format.label);
        ASSERT_NE(reader, Readers().end()) << "no reader for " << format.label.toStdString();
        std::vector<int> depths = format.depths;
        if (depths.empty()) depths = {8};
        for (const QString& extension : format.extensions)
            for (const int depth : depths)
                for (const bool binarized : {false, true}) {
                    SCOPED_TRACE(QStringLiteral("%1 %2-bit%3")
                                     .arg(extension)
                                     .arg(depth)
                                     .arg(binarized ? " binarized" : "")
                                     .toStdString());
                    // Upper case too: the extension is matched in any case.
                    const QString path = dir.filePath(QStringLiteral("h%1%2.%3")
                                                          .arg(depth)
                                                          .arg(binarized)
                                                          .arg(binarized ? extension.toUpper() : extension));
                    const HologramField field = OddField(binarized);
                    WriteHologramFile(field, binarized, depth, path);
                    reader->second(path, field, binarized, depth);
                }
    }
}

// The dialog offers every format meant for it, each grey depth its own
// filter, and a name of no format is written as the first filter writes.
TEST(OutputFormats, DialogChoicesAndExtensionsComeFromTheTable) {
    QStringList filters;
    for (const SaveDialogChoice& choice : SaveDialogChoices()) {
        filters.append(choice.filter);
        EXPECT_TRUE(choice.format->inSaveDialog);
        for (const QString& extension : choice.format->extensions)
            EXPECT_TRUE(choice.filter.contains(QStringLiteral("*.") + extension))
                << choice.filter.toStdString();
    }
    EXPECT_EQ(filters,
              (QStringList{"PNG 8-bit (*.png)", "PNG 16-bit (*.png)", "BMP (*.bmp)", "TIFF (*.tif *.tiff)"}));
    EXPECT_EQ(WrittenExtensionsText(), ".png, .bmp, .tif, .tiff or .npy");
    EXPECT_EQ(WrittenExtensionsText(true), ".png, .bmp, .tif or .npy");
    for (const OutputFormat& format : OutputFormats())
        for (const QString& extension : format.extensions)
            EXPECT_EQ(OutputFormatOf(QStringLiteral("a.b/h.") + extension.toUpper()), &format);
    EXPECT_EQ(OutputFormatOf(QStringLiteral("h.png/x")), nullptr);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const HologramField field = OddField(false);
    const QString other = dir.filePath(QStringLiteral("h.jpg"));
    WriteHologramFile(field, false, 8, other);
    CheckGreyPicture(other, field, false, 8);
}

// A write that fails names the file given and the run-time error behind it.
TEST(OutputFormats, FailureNamesTheOutputAndItsError) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const OutputFormat& format : OutputFormats()) {
        const QString output = dir.filePath(QStringLiteral("missing/h.") + format.extensions.front());
        try {
            WriteHologramFile(OddField(false), false, 8, output);
            ADD_FAILURE() << "written: " << output.toStdString();
        } catch (const FileWriteError& error) {
            EXPECT_EQ(error.file(), output);
            EXPECT_EQ(error.runTimeError(), 75) << error.what();
        }
    }
}

// A 23 × 17 hologram of either kind: an amplitude one binarized, a phase
// one padded onto a panel of that size with a table whose 2π is level 200.
JobResult OddHologram(const char* kind) {
    HologramJob job;
    job.kind = kind;
    job.object = {23.0f, 17.0f, {{2, 3}, {5, 11}, {14, 4}, {19, 9}}};
    if (job.kind == "amplitude") {
        auto steps = std::make_shared<AmplitudePostProcessing>();
        steps->binarization = BinarizationRequest{"balanced", 0};
        job.postProcessing = steps;
    } else {
        job.object = {12.0f, 9.0f, {{2, 3}, {5, 1}, {9, 4}}};
        auto steps = std::make_shared<PhasePostProcessing>();
        steps->panel = PanelSettings{};
        steps->panel->width = 23;
        steps->panel->height = 17;
        steps->panel->fill = PanelFill::Pad;
        steps->panel->lookup = LinearLookupTable(200);
        job.postProcessing = steps;
    }
    return RunJob(job);
}

// One writer for every kind: grey formats get what the kind's files show
// (a phase hologram's panel levels, 8 bits whatever depth is asked), float
// formats its values (the panel's phase).
TEST(HologramOutput, EveryKindInEveryFormat) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* kind : {"amplitude", "phase"}) {
        const JobResult made = OddHologram(kind);
        const FileContent content = made.hologram->fileContent();
        for (const OutputFormat& format : OutputFormats()) {
            const int depth = format.depths.empty() ? 8 : format.depths.back();
            const QString path =
                dir.filePath(QStringLiteral("%1.%2").arg(QLatin1String(kind), format.extensions.front()));
            SCOPED_TRACE(path.toStdString());
            WriteHologramOutput(*made.hologram, depth, path);
            const bool values = format.depths.empty();
            const int written = content.takesDepth ? depth : 8;
            if (!values) {
                EXPECT_EQ(QImage(path).format() == QImage::Format_Grayscale16, written == 16);
            }
            Readers().at(format.label)(path, values ? *content.values : *content.levels, content.binarized,
                                       written);
        }
    }
}

// A job's outputs are written in turn; the first that fails stops them,
// named, the ones before it written.
TEST(HologramOutput, JobOutputsStopAtTheFirstFailure) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    HologramJob job;
    const QString first = dir.filePath(QStringLiteral("first.png"));
    const QString failing = dir.filePath(QStringLiteral("missing/h.tif"));
    const QString last = dir.filePath(QStringLiteral("last.npy"));
    for (const QString& path : {first, failing, last})
        job.outputs.push_back({QFile::encodeName(path).toStdString(), 8});
    const JobResult made = OddHologram("phase");
    try {
        WriteJobOutputs(job, made);
        ADD_FAILURE() << "written";
    } catch (const FileWriteError& error) {
        EXPECT_EQ(error.file(), failing);
    }
    EXPECT_TRUE(QFile::exists(first));
    EXPECT_FALSE(QFile::exists(last));
}

}  // namespace
}  // namespace marbleck
