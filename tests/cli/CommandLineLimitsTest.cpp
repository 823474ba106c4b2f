// The command line under the limits a user or a system may set: no room for
// threads, memory or file size, and work that would take too long. Each run
// ends by itself, with its documented status and one line.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <csignal>

#include "CaseName.h"
#include "CliProcess.h"
#include "FileEntry.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::ObjectImage;
using test::RunCli;

// A white grey picture (read as 8 bits, converted to be sampled): every
// pixel a point.
QString WhitePicture(const QTemporaryDir& dir, int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(255);
    const QString path = dir.filePath(QStringLiteral("white.png"));
    return image.save(path) ? path : QString();
}

// A picture with a lit point in every third pixel of every other row.
QString DottedPicture(const QTemporaryDir& dir, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int y = 0; y < height; y += 2)
        for (int x = y % 3; x < width; x += 3) image.setPixel(x, y, qRgb(255, 255, 255));
    const QString path = dir.filePath(QStringLiteral("dotted.png"));
    return image.save(path) ? path : QString();
}

void LimitTo(int resource, rlim_t bytes) {
    const rlimit limit{bytes, bytes};
    setrlimit(resource, &limit);
}

// A file-size limit fails the write as a full disk: the earlier file stays,
// the program says so and ends with status 3 instead of dying of SIGXFSZ.
TEST(CommandLineLimits, AFileSizeLimitGivesDiskFullAndKeepsTheEarlierFile) {
    QTemporaryDir dir;
    const QString object = dir.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(ObjectImage(40, 30, {QPoint(3, 4)}).save(object));
    const QString output = dir.filePath(QStringLiteral("H.npy"));
    QFile earlier(output);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier hologram");
    earlier.close();

    const CliRun run =
        RunCli({object, QStringLiteral("-o"), output, QStringLiteral("--reps"), QStringLiteral("8")}, [] {
            std::signal(SIGXFSZ, SIG_DFL);
            LimitTo(RLIMIT_FSIZE, 8 * 1024);
        });
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("marbleck-cli: %1: Disk full: ").arg(output)))
        << run.err.toStdString();
    EXPECT_EQ(test::FileContents(output), QByteArray("earlier hologram"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// A stack limit so large that no thread fits under the address-space limit:
// the calculation runs on the threads that could start (here the main one).
TEST(CommandLineLimits, ThreadsThatCannotStartLeaveTheCalculationToTheOthers) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a sanitized program cannot run under an address-space limit";
#endif
    QTemporaryDir dir;
    const QString object = DottedPicture(dir, 60, 40);
    const QString output = dir.filePath(QStringLiteral("s.npy"));
    // BLAS's own threads start before the program does; with one only, the
    // program's thread pool is what meets the limit.
    const QByteArray blasThreads = qgetenv("OPENBLAS_NUM_THREADS");
    qputenv("OPENBLAS_NUM_THREADS", "1");
    const CliRun run = RunCli(
        {object, QStringLiteral("-o"), output, QStringLiteral("--reps"), QStringLiteral("4")},
        [] {
            LimitTo(RLIMIT_STACK, rlim_t{2000000} * 1024);
            LimitTo(RLIMIT_AS, rlim_t{1500000} * 1024);
        },
        120000);
    if (blasThreads.isNull())
        qunsetenv("OPENBLAS_NUM_THREADS");
    else
        qputenv("OPENBLAS_NUM_THREADS", blasThreads);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QFileInfo(output).size(), 128 + 240 * 160 * 4);
}

// Under an address-space limit every run ends soon by itself: the hologram
// written (0) or "out of memory" (2), never a hang or a signal.
class CommandLineUnderMemoryLimit : public ::testing::TestWithParam<int> {};

TEST_P(CommandLineUnderMemoryLimit, EndsWithinTenSeconds) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a sanitized program cannot run under an address-space limit";
#endif
    QTemporaryDir dir;
    const QString object = DottedPicture(dir, 600, 500);
    const QString output = dir.filePath(QStringLiteral("h.npy"));
    const rlim_t megabytes = static_cast<rlim_t>(GetParam());
    QElapsedTimer timer;
    timer.start();
    const CliRun run = RunCli(
        {object, QStringLiteral("-o"), output, QStringLiteral("--engine"), QStringLiteral("fast"),
         QStringLiteral("--reps"), QStringLiteral("3")},
        [megabytes] { LimitTo(RLIMIT_AS, megabytes * 1000 * 1000); }, 12000);
    EXPECT_FALSE(run.timedOut) << "still running after 12 s";
    EXPECT_LT(timer.elapsed(), 12000);
    ASSERT_TRUE(run.status == 0 || run.status == 2) << run.status << " " << run.err.toStdString();
    if (run.status == 0) {
        EXPECT_EQ(QFileInfo(output).size(), 128 + 1800LL * 1500 * 4);
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    } else {
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("out of memory"))) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(output));
    }
}

INSTANTIATE_TEST_SUITE_P(Megabytes, CommandLineUnderMemoryLimit, ::testing::Values(150, 200, 250, 300, 350),
                         [](const auto& info) { return std::to_string(info.param) + "MB"; });

// A white picture of 4096 × 4096 under an address-space limit: the object
// is read whole, all its 2^24 points (the exact engine then refuses the
// work), or it cannot be read or has no memory (status 2 either way); never
// a hologram of fewer points, such as none when the picture could not be
// converted.
class WhitePictureUnderMemoryLimit : public ::testing::TestWithParam<int> {};

TEST_P(WhitePictureUnderMemoryLimit, IsReadWholeOrOutOfMemory) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a sanitized program cannot run under an address-space limit";
#endif
    static QTemporaryDir dir;
    static const QString object = WhitePicture(dir, 4096, 4096);
    const QString output = dir.filePath(QStringLiteral("h.npy"));
    const rlim_t megabytes = static_cast<rlim_t>(GetParam());
    const CliRun run = RunCli(
        {object, QStringLiteral("-o"), output}, [megabytes] { LimitTo(RLIMIT_AS, megabytes * 1000 * 1000); },
        60000);
    EXPECT_EQ(run.status, 2) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    if (run.err.contains(QLatin1String(" points × "))) {
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("marbleck-cli: %1: 16777216 points × ").arg(object)))
            << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(output));
}

INSTANTIATE_TEST_SUITE_P(Megabytes, WhitePictureUnderMemoryLimit,
                         ::testing::Values(175, 200, 225, 250, 300, 1000),
                         [](const auto& info) { return std::to_string(info.param) + "MB"; });

// An exact calculation of more points × values than the bound is refused
// at once, saying how to go on; --max-seconds lets it run and stops it.
TEST(CommandLineLimits, TooMuchWorkIsRefusedOrStoppedAtMaxSeconds) {
    QTemporaryDir dir;
    const QString object = WhitePicture(dir, 1024, 1024);  // 2^20 points × 2^20 values
    const QString output = dir.filePath(QStringLiteral("h.png"));

    const CliRun refused = RunCli({object, QStringLiteral("-o"), output}, {}, 60000);
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.startsWith(
        QStringLiteral("marbleck-cli: %1: 1048576 points × 1048576 values is more than the 2^38 bound of the "
                       "exact engine (about ")
            .arg(object)))
        << refused.err.toStdString();
    EXPECT_TRUE(
        refused.err.endsWith(QLatin1String(" min here); use --engine fast, or --max-seconds S to go on\n")))
        << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(output));

    QElapsedTimer timer;
    timer.start();
    const CliRun stopped = RunCli({object, QStringLiteral("-o"), output, QStringLiteral("--max-seconds"),
                                   QStringLiteral("1.5"), QStringLiteral("--quiet")},
                                  {}, 120000);
    EXPECT_GE(timer.elapsed(), 1500);
    EXPECT_EQ(stopped.status, 2);
    EXPECT_EQ(stopped.err,
              QStringLiteral("marbleck-cli: %1: stopped after 1.5 s (--max-seconds)\n").arg(object));
    EXPECT_FALSE(QFileInfo::exists(output));
}

// A white column of 16000 pixels (its PNG about a hundred bytes): the fast
// engine's memory grows with the hologram and the object, not with rows ×
// rows (4 GB here), so it is written well within 1000 MB.
TEST(CommandLineLimits, ATallObjectFitsInMemoryWithTheFastEngine) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a sanitized program cannot run under an address-space limit";
#endif
    QTemporaryDir dir;
    const QString object = WhitePicture(dir, 1, 16000);
    const QString output = dir.filePath(QStringLiteral("h.npy"));
    const CliRun run = RunCli(
        {object, QStringLiteral("-o"), output, QStringLiteral("--engine"), QStringLiteral("fast")},
        [] { LimitTo(RLIMIT_AS, rlim_t{1000} * 1000 * 1000); }, 120000);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QFileInfo(output).size(), 128 + 16000 * 4);
}

// --max-seconds stops a long calculation of every engine soon after its
// time: status 2, its line and nothing written (the wait is bounded only so
// that a run that would take minutes fails the test instead of holding it).
struct LongJob {
    const char* engine;
    int width;
    int height;
    const char* reps;
    QStringList more = {};
};

class StoppedAtMaxSeconds : public ::testing::TestWithParam<LongJob> {};

TEST_P(StoppedAtMaxSeconds, WritesNothing) {
    const LongJob job = GetParam();
    QTemporaryDir dir;
    const QString object = WhitePicture(dir, job.width, job.height);
    const QString output = dir.filePath(QStringLiteral("h.npy"));
    const QStringList arguments = QStringList{object,
                                              QStringLiteral("-o"),
                                              output,
                                              QStringLiteral("--engine"),
                                              QLatin1String(job.engine),
                                              QStringLiteral("--reps"),
                                              QLatin1String(job.reps),
                                              QStringLiteral("--max-seconds"),
                                              QStringLiteral("1"),
                                              QStringLiteral("--quiet")} +
                                  job.more;
    const CliRun run = RunCli(arguments, {}, 60000);
    ASSERT_FALSE(run.timedOut) << "still running a minute after --max-seconds 1";
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, QStringLiteral("marbleck-cli: %1: stopped after 1 s (--max-seconds)\n").arg(object));
    EXPECT_FALSE(QFileInfo::exists(output));
}

INSTANTIATE_TEST_SUITE_P(
    Engines, StoppedAtMaxSeconds,
    ::testing::Values(LongJob{"exact", 1024, 1024, "1"}, LongJob{"reference", 512, 512, "1"},
                      // Hours of rows × lit rows with one lit column.
                      LongJob{"fast", 1, 16000, "64"},
                      // Minutes of both products.
                      LongJob{"fast", 2000, 2000, "4"},
                      // Minutes of optimising or refining after a short sum.
                      LongJob{"fast", 100, 100, "40", {"--binarize", "optimise", "--budget", "600"}},
                      LongJob{"fast", 99, 99, "40", {"--phase", "--refine", "100000"}}),
    [](const auto& info) {
        QString name = QStringLiteral("%1_%2x%3")
                           .arg(QLatin1String(info.param.engine))
                           .arg(info.param.width)
                           .arg(info.param.height);
        if (!info.param.more.isEmpty()) name += QLatin1Char('_') + info.param.more[0].mid(2);
        return name.toStdString();
    });

// The fast engine's work grows with the lit columns, not the points: the
// same picture is no refusal there.
TEST(CommandLineLimits, TheFastEngineTakesWhatTheExactOneRefuses) {
    QTemporaryDir dir;
    const QString object = WhitePicture(dir, 1024, 1024);
    const QString output = dir.filePath(QStringLiteral("h.png"));
    const CliRun run =
        RunCli({object, QStringLiteral("-o"), output, QStringLiteral("--engine"), QStringLiteral("fast")}, {},
               120000);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QImage(output).size(), QSize(1024, 1024));
}

}  // namespace
}  // namespace marbleck
