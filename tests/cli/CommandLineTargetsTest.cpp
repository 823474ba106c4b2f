// Where the command line may write: never over a special file, an object of
// the run or another output of the same run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include "CliProcess.h"
#include "FileEntry.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::FileEntry;
using test::ObjectImage;
using test::RunCli;

// An output that names a special file: refused with status 3 and one line,
// the file as it was.
struct SpecialTarget {
    const char* name;
    // Makes `path` in the folder, a temporary one.
    bool (*make)(const QString& path, const QString& folder);
    const char* reason;
};

class SpecialOutputs : public ::testing::TestWithParam<SpecialTarget> {};

TEST_P(SpecialOutputs, AreRefusedAndLeftAsTheyWere) {
    QTemporaryDir dir;
    const QString object = dir.filePath(QStringLiteral("obj.png"));
    ASSERT_TRUE(ObjectImage(6, 4, {QPoint(2, 1)}).save(object));
    const QString output = dir.filePath(QStringLiteral("out.png"));
    ASSERT_TRUE(GetParam().make(output, dir.path()));
    const QString before = FileEntry(output);
    const QString devNull = FileEntry(QStringLiteral("/dev/null"));

    const CliRun run = RunCli({object, QStringLiteral("-o"), output, QStringLiteral("--quiet")}, {}, 60000);
    EXPECT_EQ(run.status, 3);
    const QString reason = QString::fromLatin1(GetParam().reason).replace(QLatin1String("%d"), dir.path());
    EXPECT_EQ(run.err, QStringLiteral("marbleck-cli: %1: Path/File access error: cannot write %1: %2\n")
                           .arg(output, reason));
    EXPECT_EQ(FileEntry(output), before);
    EXPECT_EQ(FileEntry(QStringLiteral("/dev/null")), devNull);
    EXPECT_EQ(QDir(dir.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                  .size(),
              QDir(dir.path()).exists(QStringLiteral("pipe")) ? 3 : 2);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SpecialOutputs,
    ::testing::Values(
        SpecialTarget{"Fifo",
                      [](const QString& path, const QString&) {
                          return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
                      },
                      "it is a named pipe, not a regular file"},
        SpecialTarget{"LinkToDevNull",
                      [](const QString& path, const QString&) {
                          return QFile::link(QStringLiteral("/dev/null"), path);
                      },
                      "it is a link to a device, not to a regular file"},
        SpecialTarget{"LinkToFifo",
                      [](const QString& path, const QString& folder) {
                          const QString pipe = QDir(folder).filePath(QStringLiteral("pipe"));
                          return ::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0 &&
                                 QFile::link(pipe, path);
                      },
                      "it is a link to a named pipe, not to a regular file"},
        SpecialTarget{"DanglingLink",
                      [](const QString& path, const QString& folder) {
                          return QFile::link(QDir(folder).filePath(QStringLiteral("gone/h.png")), path);
                      },
                      "it is a link to %d/gone/h.png that cannot be followed (No such file or directory)"}),
    [](const auto& info) { return std::string(info.param.name); });

// A link to a regular file is written through: the link stays, its target
// holds the hologram.
TEST(CommandLineTargets, ALinkToAFileIsWrittenThrough) {
    QTemporaryDir dir;
    const QString object = dir.filePath(QStringLiteral("obj.png"));
    ASSERT_TRUE(ObjectImage(6, 4, {QPoint(2, 1)}).save(object));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString target = dir.filePath(QStringLiteral("real/h.png"));
    QFile earlier(target);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    const QString link = dir.filePath(QStringLiteral("h.png"));
    ASSERT_TRUE(QFile::link(target, link));

    const CliRun run =
        RunCli({object, QStringLiteral("-o"), link, QStringLiteral("--reps"), QStringLiteral("2")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(FileEntry(link), QStringLiteral("link to ") + target);
    EXPECT_EQ(QImage(target).size(), QSize(12, 8));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("real"))).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// Outputs that would replace an object or each other: every one is refused
// before anything is written (status 1), each named with what it would
// replace; the objects stay as they were.
struct Collision {
    const char* name;
    QStringList arguments;  // %d is the temporary folder
    QStringList lines;      // each line on standard error after "marbleck-cli: "
};

class OutputCollisions : public ::testing::TestWithParam<Collision> {};

TEST_P(OutputCollisions, AreRefusedBeforeAnythingIsWritten) {
    QTemporaryDir dir;
    const QDir folder(dir.path());
    ASSERT_TRUE(folder.mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("same"))));
    ASSERT_TRUE(ObjectImage(4, 3, {QPoint(1, 1)}).save(dir.filePath(QStringLiteral("a.png"))));
    ASSERT_TRUE(ObjectImage(4, 3, {QPoint(2, 1)}).save(dir.filePath(QStringLiteral("b.png"))));
    ASSERT_TRUE(ObjectImage(5, 3, {QPoint(3, 2)}).save(dir.filePath(QStringLiteral("sub/a.png"))));
    QMap<QString, QByteArray> before;
    for (QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        before.insert(path, test::FileContents(path));
    }

    QStringList arguments = GetParam().arguments;
    for (QString& argument : arguments) argument.replace(QLatin1String("%d"), dir.path());
    const CliRun run = RunCli(arguments << QStringLiteral("--quiet"), {}, 60000);
    EXPECT_EQ(run.status, 1);
    QStringList expected;
    for (QString line : GetParam().lines)
        expected << QStringLiteral("marbleck-cli: ") + line.replace(QLatin1String("%d"), dir.path());
    EXPECT_EQ(run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);

    QMap<QString, QByteArray> after;
    for (QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        after.insert(path, test::FileContents(path));
    }
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputCollisions,
    ::testing::Values(
        Collision{"OutputIsTheObject",
                  {"%d/a.png", "-o", "%d/a.png"},
                  {"%d/a.png: the hologram of %d/a.png would overwrite the object %d/a.png"}},
        Collision{"OutputNamesTheObjectAnotherWay",
                  {"%d/a.png", "-o", "%d/sub/../same/a.png"},
                  {"%d/sub/../same/a.png: the hologram of %d/a.png would overwrite the object %d/a.png"}},
        Collision{"PatternNamesAnObject",
                  {"%d/a.png", "%d/b.png", "-o", "%d/%n.png"},
                  {"%d/a.png: the hologram of %d/a.png would overwrite the object %d/a.png",
                   "%d/b.png: the hologram of %d/b.png would overwrite the object %d/b.png"}},
        Collision{"SameBaseNameInABatch",
                  {"%d/a.png", "%d/b.png", "%d/sub/a.png", "-o", "%d/H-%n.npy"},
                  {"%d/H-a.npy: the hologram of %d/a.png and the hologram of %d/sub/a.png would be the same "
                   "file"}},
        Collision{"ReconstructionIsTheOutput",
                  {"%d/a.png", "-o", "%d/x.png", "--reconstruct", "%d/same/x.png"},
                  {"%d/same/x.png: the hologram of %d/a.png and the reconstruction of %d/a.png would be "
                   "the same file"}},
        Collision{
            "ReconstructionIsAnObject",
            {"%d/b.png", "%d/sub/a.png", "-o", "%d/H-%n.png", "--reconstruct", "%d/sub/%n.png"},
            {"%d/sub/a.png: the reconstruction of %d/sub/a.png would overwrite the object %d/sub/a.png"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace marbleck
