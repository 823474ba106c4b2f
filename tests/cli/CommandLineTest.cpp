#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <csignal>
#include <string>

#include "Calculation.h"
#include "CaseName.h"
#include "CliProcess.h"
#include "Controls.h"
#include "FileEntry.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/ReconstructionWindow.h"
#include "input/ObjectSamples.h"
#include "widgets/PictureArea.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::Control;
using test::ObjectImage;
using test::RunCli;

// The program's canvas, saved as an image, gives through the command line
// (exact engine) the grey levels "Calculate" shows, wherever the view's
// drawing area and the whole field overlap, and the reconstruction the
// Reconstruction window shows.
TEST(CommandLine, GivesTheGreyLevelsAndReconstructionOfCalculateForTheSameObject) {
    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
    form.show();
    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
    PictureArea& canvas = *Control<PictureArea>(form, "objectCanvas");
    canvas.setPenWidth(2);
    canvas.drawLine(5, 90, 70, 20, White);
    canvas.drawCircle(60, 60, 12, RGBColor(0, 0, 3));
    canvas.setPixel(99, 0, White);
    Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("3"));
    test::CalculateAndWait(form);
    ASSERT_TRUE(errors.empty());

    // The canvas is 100 × 100 user units; each unit reads its nearest pixel.
    QImage samples = test::ObjectImage(100, 100, {});
    const SampleGrid grid = CanvasSampleGrid(canvas, 100, 100);
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 100; ++y) {
            const int column = grid.pixelColumns[x], row = grid.pixelRows[y];
            if (canvas.image().valid(column, row)) samples.setPixel(x, y, canvas.image().pixel(column, row));
        }
    QTemporaryDir dir;
    const QString object = dir.filePath(QStringLiteral("canvas.png"));
    ASSERT_TRUE(samples.save(object));
    const QString output = dir.filePath(QStringLiteral("H-canvas.png"));
    const CliRun run =
        RunCli({object, QStringLiteral("-o"), output, QStringLiteral("--reps"), QStringLiteral("3")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();

    const QImage written(output);
    ASSERT_EQ(written.size(), QSize(300, 300));
    const QImage view = Control<PictureArea>(form, "hologramView")->image();
    ASSERT_GT(view.width(), 250);
    ASSERT_GT(view.height(), 250);
    for (int v = 0; v < std::min(view.height(), written.height()); ++v)
        for (int u = 0; u < std::min(view.width(), written.width()); ++u)
            ASSERT_EQ(qGray(written.pixel(u, v)), qGray(view.pixel(u, v))) << u << "," << v;

    // Its reconstruction is the picture the Reconstruction window shows.
    const QString reconstruction = dir.filePath(QStringLiteral("R-canvas.png"));
    const CliRun again = RunCli({object, QStringLiteral("-o"), output, QStringLiteral("--reps"),
                                 QStringLiteral("3"), QStringLiteral("--reconstruct"), reconstruction});
    ASSERT_EQ(again.status, 0) << again.err.toStdString();
    Control<QAction>(form, "reconstructionAction")->trigger();
    ReconstructionWindow* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* r = qobject_cast<ReconstructionWindow*>(w)) window = r;
    ASSERT_NE(window, nullptr);
    QSignalSpy shown(window, &ReconstructionWindow::pictureShown);
    if (window->picture().isNull()) {
        ASSERT_TRUE(shown.wait(120000));
    }
    const QImage picture = window->picture().convertToFormat(QImage::Format_Grayscale8);
    const QImage written8 = QImage(reconstruction).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(picture.size(), written8.size());
    EXPECT_EQ(picture, written8);
}

// One point at the top right corner, (W − 1, 0), with no phase: every
// column u holds cos(u · a), a = (W − 1) × 3.1415 / (W − 1), the same down
// the column; the range of all values (and 0) normalises it.
TEST(CommandLine, OnePointAtTheTopRightGivesUprightStripes) {
    QTemporaryDir dir;
    const int W = 8, H = 5, R = 3;
    const QString object = dir.filePath(QStringLiteral("point.png"));
    ASSERT_TRUE(ObjectImage(W, H, {QPoint(W - 1, 0)}).save(object));
    const QString output = dir.filePath(QStringLiteral("stripes.png"));
    const CliRun run =
        RunCli({object, QStringLiteral("-o"), output, QStringLiteral("--reps"), QString::number(R)});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();

    const QImage written(output);
    ASSERT_EQ(written.size(), QSize(R * W, R * H));
    const double a = (W - 1) * 3.1415 / (W - 1);
    double low = 0, high = 0;
    for (int u = 0; u < R * W; ++u) {
        low = std::min(low, std::cos(u * a));
        high = std::max(high, std::cos(u * a));
    }
    for (int u = 0; u < R * W; ++u) {
        const double grey = (std::cos(u * a) - low) / (high - low) * 255.0;
        for (int v = 0; v < R * H; ++v) ASSERT_NEAR(qGray(written.pixel(u, v)), grey, 1.0) << u << "," << v;
    }
}

// A command line that cannot run: one line naming the fault, status 1 for
// the command line, 2 for an object, 3 for the output; nothing written.
struct Refusal {
    const char* name;
    QStringList arguments;  // %d is the temporary folder
    int status;
    const char* message;  // part of the one line on standard error
};

class CommandLineRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(CommandLineRefusals, ExitWithTheirStatusAndOneLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(ObjectImage(4, 3, {QPoint(1, 1)}).save(dir.filePath(QStringLiteral("a.png"))));
    ASSERT_TRUE(ObjectImage(4, 3, {QPoint(2, 1)}).save(dir.filePath(QStringLiteral("b.png"))));
    QStringList arguments = GetParam().arguments;
    for (QString& argument : arguments) argument.replace(QLatin1String("%d"), dir.path());
    const CliRun run = RunCli(arguments);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("marbleck-cli: "))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String(GetParam().message))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "only the objects";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineRefusals,
    ::testing::Values(
        Refusal{"NoObject", {"-o", "%d/h.png"}, 1, "no object"},
        Refusal{"NoOutput", {"%d/a.png"}, 1, "no output"},
        Refusal{"UnknownOption", {"%d/a.png", "-o", "%d/h.png", "--colour"}, 1, "colour"},
        Refusal{"UnknownEngine", {"%d/a.png", "-o", "%d/h.png", "--engine", "gpu"}, 1, "gpu"},
        Refusal{"Depth12", {"%d/a.png", "-o", "%d/h.png", "--depth", "12"}, 1, "8 or 16"},
        Refusal{"UnknownExtension", {"%d/a.png", "-o", "%d/h.jpg"}, 1, ".npy"},
        Refusal{"SeveralObjectsWithoutName", {"%d/a.png", "%d/b.png", "-o", "%d/h.png"}, 1, "%n"},
        Refusal{"BadSeed", {"%d/a.png", "-o", "%d/h.png", "--seed", "x"}, 1, "seed"},
        Refusal{
            "ReconstructionNotPng", {"%d/a.png", "-o", "%d/h.png", "--reconstruct", "%d/r.bmp"}, 1, ".png"},
        Refusal{"SeveralReconstructionsWithoutName",
                {"%d/a.png", "%d/b.png", "-o", "%d/h-%n.png", "--reconstruct", "%d/r.png"},
                1,
                "%n"},
        Refusal{"WavelengthWithoutDpi",
                {"%d/a.png", "-o", "%d/h.png", "--report", "--wavelength", "532"},
                1,
                "--dpi"},
        Refusal{"DpiWithoutReport", {"%d/a.png", "-o", "%d/h.png", "--dpi", "300"}, 1, "--report"},
        Refusal{"DpiZero", {"%d/a.png", "-o", "%d/h.png", "--report", "--dpi", "0"}, 1, "above 0"},
        Refusal{"DistanceNotANumber",
                {"%d/a.png", "-o", "%d/h.png", "--report", "--dpi", "300", "--distance", "far"},
                1,
                "above 0"},
        Refusal{"ThreadsNegative", {"%d/a.png", "-o", "%d/h.png", "--threads", "-1"}, 1, "--threads"},
        Refusal{"ThreadsFraction", {"%d/a.png", "-o", "%d/h.png", "--threads", "1.5"}, 1, "--threads"},
        Refusal{"ThreadsWord", {"%d/a.png", "-o", "%d/h.png", "--threads", "all"}, 1, "--threads"},
        Refusal{"ThreadsBeyondBound", {"%d/a.png", "-o", "%d/h.png", "--threads", "5000"}, 1, "--threads"},
        Refusal{"MissingObject", {"%d/none.png", "-o", "%d/h.png"}, 2, "none.png: "},
        Refusal{"RepsLeaveNoHologram", {"%d/a.png", "-o", "%d/h.png", "--reps", "0.1"}, 2, "a.png: "},
        Refusal{"TooManyValues", {"%d/a.png", "-o", "%d/h.png", "--reps", "3000"}, 2, "a.png: "},
        Refusal{"UnwritableOutput", {"%d/a.png", "-o", "/proc/h.png"}, 3, "/proc/h.png: "}),
    [](const auto& info) { return std::string(info.param.name); });

// Several objects: each in turn, named by %n; a broken one is reported and
// the others are still written; the status is then 2.
TEST(CommandLine, BatchWritesEveryGoodObjectAndReportsTheBrokenOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(ObjectImage(4, 3, {QPoint(1, 1)}).save(dir.filePath(QStringLiteral("one.png"))));
    QFile broken(dir.filePath(QStringLiteral("two.png")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    ASSERT_TRUE(
        ObjectImage(5, 2, {QPoint(0, 1), QPoint(4, 0)}).save(dir.filePath(QStringLiteral("three.bmp"))));

    const CliRun run =
        RunCli({dir.filePath(QStringLiteral("one.png")), dir.filePath(QStringLiteral("two.png")),
                dir.filePath(QStringLiteral("three.bmp")), QStringLiteral("-o"),
                dir.filePath(QStringLiteral("H-%n.npy")), QStringLiteral("--reps"), QStringLiteral("2"),
                QStringLiteral("--report")});
    EXPECT_EQ(run.status, 2);
    const QStringList errorLines = run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(errorLines.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(errorLines[0].startsWith(QStringLiteral("marbleck-cli: ") +
                                         dir.filePath(QStringLiteral("two.png")) + QStringLiteral(": ")));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("H-one.npy"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("H-two.npy"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("H-three.npy"))));

    const QStringList reports = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(reports.size(), 2);
    const QJsonObject three = QJsonDocument::fromJson(reports[1].toUtf8()).object();
    EXPECT_EQ(three.value(QStringLiteral("output")).toString(), dir.filePath(QStringLiteral("H-three.npy")));
    EXPECT_EQ(three.value(QStringLiteral("width")).toInt(), 5);
    EXPECT_EQ(three.value(QStringLiteral("height")).toInt(), 2);
    EXPECT_EQ(three.value(QStringLiteral("points")).toInt(), 2);
    EXPECT_EQ(three.value(QStringLiteral("columns")).toInt(), 10);
    EXPECT_EQ(three.value(QStringLiteral("rows")).toInt(), 4);
    EXPECT_LT(three.value(QStringLiteral("rawMinimum")).toDouble(), 0.0);
    EXPECT_GT(three.value(QStringLiteral("rawMaximum")).toDouble(), 0.0);
    EXPECT_EQ(three.value(QStringLiteral("engine")).toString(), QStringLiteral("exact"));
}

// The reference engine writes what the exact one writes, byte for byte, and
// each run reports its engine by name.
TEST(CommandLine, TheReferenceEngineWritesWhatTheExactOneWrites) {
    QTemporaryDir dir;
    const QString object = dir.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(ObjectImage(13, 11, {QPoint(1, 2), QPoint(12, 0), QPoint(5, 9)}).save(object));
    QByteArray written[2];
    const char* engines[2] = {"exact", "reference"};
    for (int i = 0; i < 2; ++i) {
        const QString output = dir.filePath(QStringLiteral("%1.npy").arg(QLatin1String(engines[i])));
        const CliRun run =
            RunCli({object, QStringLiteral("-o"), output, QStringLiteral("--reps"), QStringLiteral("2.5"),
                    QStringLiteral("--random-phase"), QStringLiteral("--seed"), QStringLiteral("7"),
                    QStringLiteral("--engine"), QLatin1String(engines[i]), QStringLiteral("--report")});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(
            QJsonDocument::fromJson(run.out.toUtf8()).object().value(QStringLiteral("engine")).toString(),
            QLatin1String(engines[i]));
        QFile file(output);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        written[i] = file.readAll();
    }
    EXPECT_GT(written[0].size(), 128);
    EXPECT_EQ(written[0], written[1]);
}

// One thread, or two, writes the same files byte for byte as every core
// (the default), the reconstruction included.
class ThreadCounts : public ::testing::TestWithParam<QStringList> {};

TEST_P(ThreadCounts, WriteWhatTheDefaultWrites) {
    QTemporaryDir dir;
    const QString object = dir.filePath(QStringLiteral("a.png"));
    QImage image = ObjectImage(90, 70, {});
    for (int i = 0; i < 300; ++i) image.setPixel((i * 37) % 90, (i * 53) % 70, qRgb(255, 255, 255));
    ASSERT_TRUE(image.save(object));
    QByteArray written[3], reconstructed[3];
    const char* counts[3] = {nullptr, "1", "2"};
    for (int i = 0; i < 3; ++i) {
        const QString output = dir.filePath(QStringLiteral("h%1.npy").arg(i));
        const QString reconstruction = dir.filePath(QStringLiteral("r%1.png").arg(i));
        QStringList arguments = QStringList{object,
                                            QStringLiteral("-o"),
                                            output,
                                            QStringLiteral("--reconstruct"),
                                            reconstruction,
                                            QStringLiteral("--reps"),
                                            QStringLiteral("4")} +
                                GetParam();
        if (counts[i] != nullptr) arguments << QStringLiteral("--threads") << QLatin1String(counts[i]);
        const CliRun run = RunCli(arguments);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        QFile file(output), picture(reconstruction);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly) && picture.open(QIODevice::ReadOnly));
        written[i] = file.readAll();
        reconstructed[i] = picture.readAll();
    }
    EXPECT_GT(written[0].size(), 128);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(written[i], written[0]) << counts[i] << " thread(s)";
        EXPECT_EQ(reconstructed[i], reconstructed[0]) << counts[i] << " thread(s)";
    }
}

const QStringList ThreadJobs[] = {
    {"--engine", "exact"},
    {"--engine", "fast", "--random-phase", "--seed", "4", "--binarize", "median"},
    {"--phase", "--engine", "fast", "--refine", "3"},
    {"--engine", "czt", "--random-phase", "--seed", "4"},
    {"--phase", "--engine", "czt"},
};
const char* const ThreadJobNames[] = {"Exact", "FastBalanced", "PhaseRefined", "ChirpZ", "PhaseChirpZ"};

INSTANTIATE_TEST_SUITE_P(Jobs, ThreadCounts, ::testing::ValuesIn(ThreadJobs),
                         [](const auto& info) { return std::string(ThreadJobNames[info.index]); });

// An output that cannot be written whole (the file-size limit stops it
// part way) leaves the earlier file as it was, and no partial file beside it.
TEST(CommandLine, AFailedWriteLeavesTheEarlierOutputAsItWas) {
    QTemporaryDir dir;
    const QString object = dir.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(ObjectImage(40, 30, {QPoint(3, 4)}).save(object));
    for (const char* name : {"H.npy", "H.bmp", "H.png", "H.tif"}) {
        const QString output = dir.filePath(QLatin1String(name));
        QFile earlier(output);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier hologram");
        earlier.close();
        QStringList arguments{object, QStringLiteral("-o"), output, QStringLiteral("--reps"),
                              QStringLiteral("8")};
        if (output.endsWith(QLatin1String(".png")))
            arguments << QStringLiteral("--depth") << QStringLiteral("16");
        const CliRun run = RunCli(arguments, [] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
        EXPECT_EQ(run.status, 3) << name;
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("marbleck-cli: ") + output + QStringLiteral(": ")))
            << run.err.toStdString();
        EXPECT_EQ(test::FileContents(output), QByteArray("earlier hologram")) << name;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5);

    const QString folder = dir.filePath(QStringLiteral("folder.png"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    const CliRun run = RunCli({object, QStringLiteral("-o"), folder});
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

}  // namespace
}  // namespace marbleck
