// Object files as a script meets them: special files, broken and huge
// pictures, its own TIFF outputs, WebP, and names that are not UTF-8.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "BitmapFiles.h"
#include "CliProcess.h"

extern char** environ;

namespace marbleck {
namespace {

using test::Bitmap8;
using test::CliRun;
using test::ObjectImage;

// As RunCli, with `environment` added, killed after 20 s: a run that hangs
// fails instead of hanging the tests.
CliRun RunCliWithin(const QStringList& arguments, const QStringList& environment = {}) {
    QProcess process;
    QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    system.remove(QStringLiteral("QT_QPA_PLATFORM"));
    system.remove(QStringLiteral("DISPLAY"));
    for (const QString& setting : environment)
        system.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(system);
    process.start(QStringLiteral(MARBLECK_CLI_PATH), arguments);
    CliRun run;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("still running after 20 s");
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QStringList Lines(const QString& text) { return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

long long Points(const QString& reportLine) {
    return QJsonDocument::fromJson(reportLine.toUtf8())
        .object()
        .value(QStringLiteral("points"))
        .toInteger(-1);
}

// An object the command line cannot read: status 2, and exactly one line
// naming the file and saying why, whatever the image libraries would say.
struct UnreadableObject {
    const char* name;
    std::function<QString(const QDir&)> make;  // makes the object in the folder, gives its path
    const char* reason;
};

class UnreadableObjects : public ::testing::TestWithParam<UnreadableObject> {};

TEST_P(UnreadableObjects, ExitTwoWithOneLineSayingWhy) {
    QTemporaryDir dir;
    const QString object = GetParam().make(QDir(dir.path()));
    ASSERT_FALSE(object.isEmpty());
    const CliRun run = RunCliWithin({object, QStringLiteral("-o"), dir.filePath(QStringLiteral("H.png"))});
    EXPECT_EQ(run.status, 2) << run.err.toStdString();
    const QStringList lines = Lines(run.err);
    ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("marbleck-cli: ") + object + QStringLiteral(": ")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QString::fromUtf8(GetParam().reason))) << lines[0].toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("H.png"))));
}

QString Saved(const QImage& image, const QString& path) { return image.save(path) ? path : QString(); }

INSTANTIATE_TEST_SUITE_P(
    Cases, UnreadableObjects,
    ::testing::Values(
        UnreadableObject{"NamedPipe",
                         [](const QDir& dir) {
                             const QString path = dir.filePath(QStringLiteral("pipe.png"));
                             return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path
                                                                                             : QString();
                         },
                         "Path/File access error: "},
        UnreadableObject{"NamedPipeAsBitmap",
                         [](const QDir& dir) {
                             const QString path = dir.filePath(QStringLiteral("pipe.bmp"));
                             return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path
                                                                                             : QString();
                         },
                         "is not a regular file"},
        UnreadableObject{"Folder",
                         [](const QDir& dir) {
                             return dir.mkdir(QStringLiteral("folder.png"))
                                        ? dir.filePath(QStringLiteral("folder.png"))
                                        : QString();
                         },
                         "is a folder"},
        UnreadableObject{
            "NameTooLong",
            [](const QDir& dir) { return dir.filePath(QString(300, QLatin1Char('a')) + ".png"); },
            "the name is too long"},
        UnreadableObject{"Missing", [](const QDir& dir) { return dir.filePath(QStringLiteral("none.png")); },
                         "File not found"},
        UnreadableObject{"OverTheSizeLimit",
                         [](const QDir& dir) {
                             QImage huge(8193, 4096, QImage::Format_Mono);
                             huge.fill(0);
                             return Saved(huge, dir.filePath(QStringLiteral("huge.png")));
                         },
                         "8193 × 4096 pixels, more than the 33554432 pixels (8192 × 4096)"},
        UnreadableObject{"TruncatedPng",
                         [](const QDir& dir) {
                             const QString path = dir.filePath(QStringLiteral("short.png"));
                             if (Saved(ObjectImage(40, 30, {QPoint(3, 4)}), path).isEmpty()) return QString();
                             return test::writeFile(path, test::readFile(path).left(60));
                         },
                         "Invalid picture: "},
        UnreadableObject{"PngUnderABitmapsName",
                         [](const QDir& dir) {
                             const QString path = dir.filePath(QStringLiteral("object.bmp"));
                             return Saved(ObjectImage(4, 3, {QPoint(1, 1)}), path + ".png").isEmpty()
                                        ? QString()
                                        : (QFile::rename(path + ".png", path) ? path : QString());
                         },
                         "is a PNG image, not a bitmap"}),
    [](const auto& info) { return std::string(info.param.name); });

// A bitmap that ends half way through its pixels has its stored rows (the
// bottom half) lit and the rest black, however the memory the decoder gets
// was used before: alone, after a white picture in the same run, and with
// freed memory filled with a pattern.
TEST(ObjectFilesCommandLine, TruncatedBitmapGivesTheSamePointsWhateverCameBefore) {
    QTemporaryDir dir;
    const QByteArray white = Bitmap8::filled(100, 100, 255).bytes();
    const QString whole = test::writeFile(dir.filePath(QStringLiteral("white.bmp")), white);
    const QString half =
        test::writeFile(dir.filePath(QStringLiteral("half.bmp")), white.left(54 + 1024 + 50 * 100));
    ASSERT_FALSE(whole.isEmpty());
    ASSERT_FALSE(half.isEmpty());
    const QString output = dir.filePath(QStringLiteral("H-%n.npy"));
    const QStringList runs[] = {{half}, {whole, half}, {half}};
    const QStringList environments[] = {{}, {}, {QStringLiteral("MALLOC_PERTURB_=85")}};
    for (int i = 0; i < 3; ++i) {
        const CliRun run =
            RunCliWithin(runs[i] + QStringList{QStringLiteral("-o"), output, QStringLiteral("--report"),
                                               QStringLiteral("--engine"), QStringLiteral("fast")},
                         environments[i]);
        ASSERT_EQ(run.status, 0) << i << run.err.toStdString();
        const QStringList reports = Lines(run.out);
        ASSERT_EQ(reports.size(), runs[i].size());
        EXPECT_EQ(Points(reports.back()), 50 * 100) << "run " << i;
        if (i == 1) {
            EXPECT_EQ(Points(reports.front()), 100 * 100);
        }
    }
}

// A TIFF the command line wrote (32-bit float samples) is read back as an
// object: the same points as the 8-bit PNG of the same hologram, every value
// that rounds to a grey level above 0. A lossless WebP object reads too.
TEST(ObjectFilesCommandLine, ReadsItsOwnTiffAndWebP) {
    QTemporaryDir dir;
    const QString object = dir.filePath(QStringLiteral("object.png"));
    ASSERT_TRUE(ObjectImage(7, 5, {QPoint(1, 3), QPoint(6, 0), QPoint(6, 4)}).save(object));
    const QString tiff = dir.filePath(QStringLiteral("Htiff.tif"));
    const QString png = dir.filePath(QStringLiteral("Hpng.png"));
    for (const QString& output : {tiff, png}) {
        const CliRun run = RunCliWithin(
            {object, QStringLiteral("-o"), output, QStringLiteral("--reps"), QStringLiteral("3")});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
    }
    const QString webp = dir.filePath(QStringLiteral("object.webp"));
    QImageWriter writer(webp);
    writer.setQuality(100);  // lossless
    ASSERT_TRUE(writer.write(ObjectImage(7, 5, {QPoint(1, 3), QPoint(6, 0), QPoint(6, 4)})))
        << writer.errorString().toStdString() << ": the WebP plug-in is missing";

    const CliRun run = RunCliWithin({tiff, png, webp, QStringLiteral("-o"),
                                     dir.filePath(QStringLiteral("R-%n.npy")), QStringLiteral("--report")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList reports = Lines(run.out);
    ASSERT_EQ(reports.size(), 3);
    const QImage levels(png);
    long long lit = 0;
    for (int y = 0; y < levels.height(); ++y)
        for (int x = 0; x < levels.width(); ++x) lit += qGray(levels.pixel(x, y)) > 0 ? 1 : 0;
    EXPECT_GT(lit, 0);
    EXPECT_EQ(Points(reports[0]), lit);
    EXPECT_EQ(Points(reports[1]), lit);
    EXPECT_EQ(Points(reports[2]), 3);
    EXPECT_EQ(QJsonDocument::fromJson(reports[0].toUtf8()).object().value(QStringLiteral("width")).toInt(),
              21);
}

// Runs the command line with arguments given as bytes under a UTF-8 locale,
// as a shell passes a file name that is not UTF-8.
int RunCliWithBytes(const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(MARBLECK_CLI_PATH)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> settings{"LC_ALL=C.UTF-8"};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string setting = *entry;
        if (setting.rfind("LC_", 0) != 0 && setting.rfind("LANG", 0) != 0 && setting.rfind("DISPLAY", 0) != 0)
            settings.push_back(setting);
    }
    std::vector<char*> envp;
    for (std::string& setting : settings) envp.push_back(setting.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, MARBLECK_CLI_PATH, nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// An object whose name holds the byte 0xE9 (é in Latin-1, not UTF-8) is read,
// and %n names its output with the same bytes; so does the reconstruction.
TEST(ObjectFilesCommandLine, NamesThatAreNotUtf8KeepTheirBytes) {
    QTemporaryDir dir;
    const std::filesystem::path folder(QFile::encodeName(dir.path()).toStdString());
    // QTemporaryDir cannot remove names that are not UTF-8: they go by their
    // bytes first, whatever the test's end.
    struct RemoveByBytes {
        std::filesystem::path folder;
        ~RemoveByBytes() {
            std::error_code ignored;
            for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
                std::filesystem::remove_all(entry.path(), ignored);
        }
    } removeByBytes{folder};
    const std::string name = "caf\xe9";
    ASSERT_TRUE(ObjectImage(4, 3, {QPoint(1, 1)}).save(dir.filePath(QStringLiteral("object.png"))));
    std::filesystem::rename(folder / "object.png", folder / (name + ".png"));

    EXPECT_EQ(RunCliWithBytes({(folder / (name + ".png")).native(), "-o", (folder / "H-%n.png").native(),
                               "--reconstruct", (folder / "R-%n.png").native()}),
              0);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"H-" + name + ".png", "R-" + name + ".png", name + ".png"}));
    std::ifstream hologram(folder / ("H-" + name + ".png"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(hologram)), std::istreambuf_iterator<char>());
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(bytes), "PNG").size(), QSize(4, 3));
}

}  // namespace
}  // namespace marbleck
