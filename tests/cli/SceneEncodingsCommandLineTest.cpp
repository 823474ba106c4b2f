// A scene hologram's encodings as a script writes them: the complex field as
// a pair of float TIFFs read back by libtiff, the phase mapped onto a panel,
// the amplitude hologram's reference angle and binarization, and each option
// that cannot go with a scene refused by its one line and exit status.

#include <gtest/gtest.h>
#include <tiffio.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <complex>
#include <cstring>
#include <vector>

#include "CliProcess.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::RunCli;

constexpr int RunLimitMs = 120000;

// Three points at two depths, off the axis, so that no value is 0 and the
// real and imaginary parts differ everywhere.
constexpr char ThreePointsXyz[] = "0.00004 -0.000024 0.1 1\n-0.0001 0.00005 0.12 0.5\n0 0 0.08 0.8\n";

// A .npy file's complex64 values and shape (rows, columns, or pages, rows,
// columns), C order.
struct NpyComplex {
    QString shape;
    std::vector<std::complex<float>> values;
};

NpyComplex ReadNpyComplex(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 10) return {};
    const int length = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    const QByteArray header = bytes.mid(10, length);
    NpyComplex npy;
    const qsizetype open = header.indexOf("'shape': (");
    npy.shape = QString::fromLatin1(header.mid(open + 10, header.indexOf(')', open) - open - 10));
    npy.values.resize(static_cast<std::size_t>((bytes.size() - 10 - length) / 8));
    std::memcpy(npy.values.data(), bytes.constData() + 10 + length, npy.values.size() * 8);
    return npy;
}

// A float TIFF's pages as libtiff reads them, row after row, page after
// page; empty where a page is not 32-bit float of one sample.
struct TiffPages {
    int columns = 0;
    int rows = 0;
    int pages = 0;
    std::vector<float> values;
};

TiffPages ReadFloatTiff(const QString& path) {
    TiffPages read;
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (tiff == nullptr) return read;
    do {
        std::uint32_t width = 0, height = 0;
        std::uint16_t bits = 0, format = 0, samples = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
        if (bits != 32 || format != SAMPLEFORMAT_IEEEFP || samples != 1) {
            TIFFClose(tiff);
            return {};
        }
        read.columns = static_cast<int>(width);
        read.rows = static_cast<int>(height);
        std::vector<float> row(width);
        for (std::uint32_t v = 0; v < height; ++v) {
            if (TIFFReadScanline(tiff, row.data(), v, 0) != 1) {
                TIFFClose(tiff);
                return {};
            }
            read.values.insert(read.values.end(), row.begin(), row.end());
        }
        ++read.pages;
    } while (TIFFReadDirectory(tiff) == 1);
    TIFFClose(tiff);
    return read;
}

class SceneEncodings : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString scene() { return write(QStringLiteral("scene.xyz"), ThreePointsXyz); }
    // The scene's hologram of 37 × 21 at 8 µm with `more` options.
    CliRun run(const QStringList& more) {
        return RunCli(QStringList{scene(), QStringLiteral("--size"), QStringLiteral("37x21"),
                                  QStringLiteral("--pitch"), QStringLiteral("8")} +
                          more,
                      {}, RunLimitMs);
    }

    QTemporaryDir dir_;
};

// The complex field of two wavelengths as a TIFF pair: each file a page a
// wavelength, rows top down, the values those of the .npy bit for bit.
TEST_F(SceneEncodings, ComplexTiffPairHoldsTheNpysValues) {
    const QStringList complex{QStringLiteral("--wavelength"), QStringLiteral("633,532"),
                              QStringLiteral("--encode"), QStringLiteral("complex")};
    const CliRun npy = run(complex + QStringList{QStringLiteral("-o"), path(QStringLiteral("u.npy"))});
    ASSERT_EQ(npy.status, 0) << npy.err.toStdString();
    const CliRun tiff = run(complex + QStringList{QStringLiteral("-o"), path(QStringLiteral("u.tif"))});
    ASSERT_EQ(tiff.status, 0) << tiff.err.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("u.tif"))));

    const NpyComplex field = ReadNpyComplex(path(QStringLiteral("u.npy")));
    ASSERT_EQ(field.shape, QStringLiteral("2, 21, 37"));
    const TiffPages real = ReadFloatTiff(path(QStringLiteral("u.re.tif")));
    const TiffPages imaginary = ReadFloatTiff(path(QStringLiteral("u.im.tif")));
    for (const TiffPages* part : {&real, &imaginary}) {
        EXPECT_EQ(part->columns, 37);
        EXPECT_EQ(part->rows, 21);
        EXPECT_EQ(part->pages, 2);
        ASSERT_EQ(part->values.size(), field.values.size());
    }
    for (std::size_t i = 0; i < field.values.size(); ++i) {
        ASSERT_EQ(real.values[i], field.values[i].real()) << i;
        ASSERT_EQ(imaginary.values[i], field.values[i].imag()) << i;
    }
}

// A pair whose second file cannot be written leaves the first as it was:
// no new real parts beside old imaginary ones.
TEST_F(SceneEncodings, FailedSecondFileLeavesNoHalfPair) {
    const QByteArray old("old real parts");
    write(QStringLiteral("u.re.tif"), old);
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("u.im.tif")));
    const CliRun failed = run({QStringLiteral("--encode"), QStringLiteral("complex"), QStringLiteral("-o"),
                               path(QStringLiteral("u.tif"))});
    EXPECT_EQ(failed.status, 3);
    EXPECT_TRUE(failed.err.startsWith(QStringLiteral("marbleck-cli: ") + path(QStringLiteral("u.im.tif")) +
                                      QStringLiteral(": ")))
        << failed.err.toStdString();
    EXPECT_EQ(failed.err.count(QLatin1Char('\n')), 1);
    QFile first(path(QStringLiteral("u.re.tif")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), old);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // the scene, u.re.tif
}

// Either file of the pair is an output no input may be: a depth picture
// named as the imaginary parts' file is refused before anything is read.
TEST_F(SceneEncodings, PairFilesGoThroughTheCollisionCheck) {
    QImage colour(4, 4, QImage::Format_RGB32);
    colour.fill(Qt::white);
    ASSERT_TRUE(colour.save(path(QStringLiteral("colour.png"))));
    const QString depth = path(QStringLiteral("u.im.tif"));
    const QByteArray depthBytes("not read");
    write(QStringLiteral("u.im.tif"), depthBytes);
    const CliRun refused = RunCli(
        {path(QStringLiteral("colour.png")), QStringLiteral("--depth-map"), depth, QStringLiteral("--near"),
         QStringLiteral("0.1"), QStringLiteral("--far"), QStringLiteral("0.2"), QStringLiteral("--encode"),
         QStringLiteral("complex"), QStringLiteral("-o"), path(QStringLiteral("u.tif"))});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              QStringLiteral("marbleck-cli: %1: the hologram of %2 would overwrite the depth picture %1\n")
                  .arg(depth, path(QStringLiteral("colour.png"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("u.re.tif"))));
}

}  // namespace
}  // namespace marbleck
