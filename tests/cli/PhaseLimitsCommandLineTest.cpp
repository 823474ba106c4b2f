// What an object's hologram refuses before it would write a panel of no
// numbers or a binarization that shows nothing, begin years of work or echo
// a file's bytes to the terminal, and the command line under a process
// limit, as a script meets them: separate runs, real files.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "CliProcess.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::ObjectImage;
using test::RunCli;

constexpr int RunLimitMs = 60000;

// A 16 × 16 object with two lit points, or the points given.
QString SavedObject(const QTemporaryDir& dir,
                    std::initializer_list<QPoint> lit = {QPoint(3, 4), QPoint(11, 9)}) {
    const QString path = dir.filePath(QStringLiteral("object.png"));
    return ObjectImage(16, 16, lit).save(path) ? path : QString();
}

QString Written(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

struct Refused {
    const char* name;
    QStringList options;       // after OBJECT -o OUTPUT
    const char* reason;        // the end of the line after "OBJECT: "
    bool cornerPoint = false;  // the object is one point at the top left corner
};

class PhaseInputRefusals : public ::testing::TestWithParam<Refused> {};

// Each is refused for the object, in one line with status 2, and nothing is
// written.
TEST_P(PhaseInputRefusals, OneLineStatus2NothingWritten) {
    QTemporaryDir dir;
    const QString object = GetParam().cornerPoint ? SavedObject(dir, {QPoint(0, 0)}) : SavedObject(dir);
    ASSERT_FALSE(object.isEmpty());
    const QString output = dir.filePath(QStringLiteral("out.tif"));
    const CliRun run =
        RunCli(QStringList{object, "-o", output, "--quiet"} + GetParam().options, {}, RunLimitMs);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.status, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("marbleck-cli: %1: ").arg(object)))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(GetParam().reason))) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(output));
}

constexpr char NoHologram[] = "Invalid property value: the repetition factor leaves no hologram\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, PhaseInputRefusals,
    ::testing::Values(
        // R·W − 1 = −0.5 rounds to 0, yet no column is summed.
        Refused{"TinyRepsAmplitude", {"--reps", "0.03125"}, NoHologram},
        Refused{"TinyRepsPhase", {"--phase", "--reps", "0.03125"}, NoHologram},
        Refused{"TinyRepsOnAPanel", {"--phase", "--reps", "0.03125", "--slm", "8x8"}, NoHologram},
        Refused{"EndlessRefinement",
                {"--phase", "--reps", "64", "--refine", "2147483647"},
                "2147483647 iterations × 1048576 values is more than the 2^32 bound of a refinement"},
        // Finite on the smallest panel, so the line is taken; beyond any
        // number on the hologram's own 256 × 256.
        Refused{"LensBeyondOnTheHologram",
                {"--phase", "--reps", "16", "--lens", "5e-298", "--pitch", "1e7"},
                "the lens's phase is beyond any number"},
        // A point at the corner adds the same value to every value of the
        // hologram: no pattern can show it.
        Refused{"OptimisedShowsNothing",
                {"--reps", "2", "--binarize", "optimised", "--budget", "1"},
                "Invalid picture: the optimised binarization found no pattern that shows the object\n",
                true}),
    [](const auto& info) { return std::string(info.param.name); });

// The refusal says how to go on, and going on runs within the time given.
TEST(PhaseLimits, RefinementRunsWithMaxSeconds) {
    QTemporaryDir dir;
    const QString object = SavedObject(dir);
    const QString output = dir.filePath(QStringLiteral("out.png"));
    const QStringList endless{object,   "-o", output,     "--quiet",   "--phase",
                              "--reps", "16", "--refine", "2147483647"};
    const CliRun refused = RunCli(endless, {}, RunLimitMs);
    EXPECT_TRUE(refused.err.endsWith(
        QLatin1String(" min here); use fewer iterations, or --max-seconds S to go on\n")))
        << refused.err.toStdString();
    const CliRun stopped = RunCli(endless + QStringList{"--max-seconds", "0.5"}, {}, RunLimitMs);
    EXPECT_EQ(stopped.status, 2);
    EXPECT_EQ(stopped.err,
              QStringLiteral("marbleck-cli: %1: stopped after 0.5 s (--max-seconds)\n").arg(object));
}

// A table file's bytes reach the terminal only as printable text, and a
// huge line only in part.
TEST(PhaseLimits, BadTableLinesAreQuotedEscapedAndShort) {
    QTemporaryDir dir;
    const QString object = SavedObject(dir);
    const QString output = dir.filePath(QStringLiteral("out.png"));
    const QByteArray escapes("\x1b]0;owned\x07\x1b[2J\r\n");
    for (const QByteArray& text : {escapes, QByteArray((1 << 20) - 1, '7') + '\n'}) {
        const QString lut = Written(dir, QStringLiteral("LUT.txt"), text);
        ASSERT_FALSE(lut.isEmpty());
        const CliRun run = RunCli({object, "-o", output, "--phase", "--lut", lut}, {}, RunLimitMs);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("marbleck-cli: %1: line 1: \"").arg(lut)))
            << run.err.toStdString();
        EXPECT_LT(run.err.size(), lut.size() + 100) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QLatin1Char('\x1b')));
        EXPECT_FALSE(run.err.contains(QLatin1Char('\x07')));
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1);
    }
}

// The child: a user whose processes the limit counts (root's are not), and
// room for no process or thread beyond itself. It ends with 99 where it
// cannot become one.
void OneProcessOnly() {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
    const rlimit one{1, 1};
    if (setrlimit(RLIMIT_NPROC, &one) != 0) _exit(99);
}

// Under one process (ulimit -u 1) the program starts: --version and --help
// answer, and a calculation ends by itself, written or refused in one line
// with status 2, never by a signal.
TEST(PhaseLimits, OneProcessLimitStillRuns) {
    QTemporaryDir dir;
    // The dropped user reads the object and writes beside it.
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    const QString object = SavedObject(dir);
    ASSERT_EQ(chmod(QFile::encodeName(object).constData(), 0644), 0);
    const CliRun version = RunCli({"--version"}, OneProcessOnly, RunLimitMs);
    if (version.status == 99) GTEST_SKIP() << "cannot become a user the process limit counts";
    EXPECT_EQ(version.status, 0) << version.err.toStdString();
    EXPECT_TRUE(version.out.startsWith(QLatin1String("marbleck-cli "))) << version.out.toStdString();
    const CliRun help = RunCli({"--help"}, OneProcessOnly, RunLimitMs);
    EXPECT_EQ(help.status, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.contains(QLatin1String("--phase")));

    for (const QStringList& options :
         {QStringList{}, QStringList{"--phase", "--refine", "3"}, QStringList{"--max-seconds", "30"}}) {
        const QString output = dir.filePath(QStringLiteral("out.png"));
        QFile::remove(output);
        const CliRun run =
            RunCli(QStringList{object, "-o", output, "--quiet"} + options, OneProcessOnly, RunLimitMs);
        EXPECT_FALSE(run.timedOut) << options.join(' ').toStdString();
        ASSERT_TRUE(run.status == 0 || run.status == 2) << run.status << " " << run.err.toStdString();
        if (run.status == 0) {
            EXPECT_TRUE(QFileInfo::exists(output));
        } else {
            EXPECT_EQ(run.err, QStringLiteral("marbleck-cli: %1: out of memory\n").arg(object));
            EXPECT_FALSE(QFileInfo::exists(output));
        }
    }
}

}  // namespace
}  // namespace marbleck
