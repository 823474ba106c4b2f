#include <sys/stat.h>
#include <unistd.h>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include "Calculation.h"
#include "Controls.h"
#include "FileEntry.h"
#include "FilesFixture.h"
#include "input/core/ObjectBitmap.h"
#include "output/HologramBitmapWriter.h"
#include "platform/RunTimeError.h"
#include "widgets/PictureArea.h"

namespace marbleck::test {
namespace {

class SaveTest : public FilesFixture {
protected:
    void save() { Control<QPushButton>(*form, "saveButton")->click(); }

    QStringList entries(const QString& folder) const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    // A star-like object: a white cross on black, 24 × 24.
    QString writeStar(const QString& folder) {
        Bitmap8 star = Bitmap8::filled(24, 24, 0);
        for (int i = 0; i < 24; ++i) {
            star.pixels[12 * 24 + i] = 255;
            star.pixels[i * 24 + 12] = 255;
        }
        return writeBitmap("star.bmp", star, folder);
    }
};

TEST_F(SaveTest, WritesHStarBesideTheInputAsEightBitGreyAndShowsItAgain) {
    const QString folder = makeFolder("pictures");
    writeStar(folder);
    load("star.bmp", folder);
    ASSERT_TRUE(errors.empty());
    const QImage shown = Control<PictureArea>(*form, "hologramView")->image();

    save();
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    const QString path = QDir(folder).canonicalPath() + "/H-star.bmp";
    EXPECT_EQ(document.savedHologramPath, path);
    EXPECT_EQ(Control<QLabel>(*form, "statusLabel")->text(), "saving " + path);
    EXPECT_EQ(Control<QLabel>(*form, "statusBarMessage")->text(), "Saved " + path);

    // A preview is black and white only, yet the file has 8 bits per pixel and
    // all 256 greys, so that the program's own reader sees grey levels.
    const QByteArray bytes = readFile(path);
    ASSERT_GT(bytes.size(), 1078);
    EXPECT_EQ(bytes.left(2), "BM");
    EXPECT_EQ(field(bytes, 28, 2), 8u);
    EXPECT_EQ(field(bytes, 30, 4), 0u);     // uncompressed
    EXPECT_EQ(field(bytes, 10, 4), 1078u);  // pixels right after 256 colours
    for (std::uint32_t i = 0; i < 256; ++i) ASSERT_EQ(field(bytes, 54 + 4 * int(i), 3), i | i << 8 | i << 16);

    // The file shows what the view showed, and now lies beneath the view.
    const QImage written(path);
    ASSERT_EQ(written.size(), shown.size());
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), shown);
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->picture(), shown);
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->image(), shown);

    const ObjectBitmap read = ReadObjectBitmap(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                         static_cast<std::size_t>(bytes.size())));
    for (int j = 0; j < shown.height(); ++j)
        for (int x = 0; x < shown.width(); ++x)
            ASSERT_EQ(read.pixels(x, j), qRed(shown.pixel(x, shown.height() - 1 - j))) << x << "," << j;
}

// Rows of an 8-bit bitmap are padded to a multiple of four bytes. The
// padding is zero, so the same view saved twice gives the same file, and the
// file is exactly the bitmap spelt out byte by byte.
TEST_F(SaveTest, EightBitRowPaddingIsZeroAndSavingTwiceGivesTheSameFile) {
    for (const int width : {97, 98, 99, 100}) {
        SCOPED_TRACE(width);
        const QString folder = makeFolder(QString::number(width));
        // The view is square, each side the object's height less the border.
        const int side = width + 4;
        Bitmap8 object = Bitmap8::filled(side, side, 0);
        for (int j = 0; j < side; j += 3)
            object.pixels[static_cast<std::size_t>(j * Bitmap8::rowBytes(side) + j)] = 255;
        writeBitmap("object.bmp", object, folder);
        load("object.bmp", folder);
        const QImage view = Control<PictureArea>(*form, "hologramView")->image();
        ASSERT_EQ(view.size(), QSize(width, width));

        save();
        const QString path = QDir(folder).filePath("H-object.bmp");
        const QByteArray first = readFile(path);
        save();
        const QByteArray second = readFile(path);
        ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();

        Bitmap8 expected = Bitmap8::filled(width, width, 0);
        for (int r = 0; r < width; ++r)
            for (int x = 0; x < width; ++x)
                expected.pixels[static_cast<std::size_t>(r * Bitmap8::rowBytes(width) + x)] =
                    static_cast<std::uint8_t>(qRed(view.pixel(x, width - 1 - r)));
        QByteArray bytes = expected.bytes();
        bytes[50] = 0;  // all 256 colours are important
        bytes[51] = 1;
        EXPECT_EQ(first, bytes);
        EXPECT_EQ(second, first);
    }
}

TEST_F(SaveTest, SavedHologramLoadsAsInputAndSavesAsHHStar) {
    const QString folder = makeFolder("pictures");
    writeStar(folder);
    load("star.bmp", folder);
    save();
    ASSERT_TRUE(errors.empty());
    const QImage saved(QDir(folder).filePath("H-star.bmp"));

    load("H-star.bmp", folder);
    ASSERT_TRUE(errors.empty());
    // The saved view was 20 × 20 pixels; the upright preview of its bytes
    // shows the same picture in the new 16 × 16 view.
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerWidth(), saved.width() * 15);
    const QImage preview =
        Control<PictureArea>(*form, "hologramView")->image().copy(QRect(QPoint(0, 0), QSize(16, 16)));
    EXPECT_EQ(preview, saved.convertToFormat(QImage::Format_RGB32).copy(0, 0, 16, 16));

    save();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(Control<QLabel>(*form, "statusLabel")->text(),
              "saving " + QDir(folder).canonicalPath() + "/H-H-star.bmp");
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath("H-H-star.bmp")));
    EXPECT_EQ(entries(folder), QStringList({"H-H-star.bmp", "H-star.bmp", "star.bmp"}));
}

// Before any calculation or load the view shows its background colour value
// 15, a dark red: not grey, so the file has 24 bits per pixel.
TEST_F(SaveTest, TheViewsBackgroundIsWrittenWithTwentyFourBits) {
    save();
    ASSERT_TRUE(errors.empty());
    const QString path = document.savedHologramPath;
    EXPECT_EQ(field(readFile(path), 28, 2), 24u);
    const QImage view = Control<PictureArea>(*form, "hologramView")->image();
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), view);
    EXPECT_EQ(view.pixel(3, 3), qRgb(15, 0, 0));
}

// Saving needs the input folder and file, not the chooser's window: before
// its first use the file is "H-" in the folder it would start in.
TEST_F(SaveTest, BeforeTheChooserIsFirstUsedTheFileIsHInItsStartFolder) {
    save();
    ASSERT_TRUE(errors.empty());
    EXPECT_FALSE(chooser().exists());
    const QString path = QDir(home.path()).canonicalPath() + "/H-";
    EXPECT_EQ(Control<QLabel>(*form, "statusLabel")->text(), "saving " + path);
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(SaveTest, NoSelectionWritesH) {
    const QString folder = makeFolder("pictures");
    writeStar(folder);
    Control<QPushButton>(*form, "loadButton")->click();
    Control<DirListBox>(window(), "folderList")->setPath(folder);
    save();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(entries(folder), QStringList({"H-", "star.bmp"}));
}

TEST_F(SaveTest, OutputFollowsTheCurrentSelectionNotTheLoadedFile) {
    writeStar(home.path());
    writeBitmap("other.bmp", Bitmap8::filled(4, 4, 0));
    load("star.bmp");
    select(home.path(), "other.bmp");
    save();
    EXPECT_TRUE(QFile::exists(homePath("H-other.bmp")));
    EXPECT_FALSE(QFile::exists(homePath("H-star.bmp")));
}

TEST_F(SaveTest, SavingAgainReplacesTheFile) {
    save();
    const QByteArray background = readFile(homePath("H-"));
    // A lit point on the canvas, and its hologram in the view.
    Control<PictureArea>(*form, "objectCanvas")->setPixel(50, 50, White);
    Control<QPushButton>(*form, "calculateButton")->click();
    test::WaitForCalculation(*form);
    save();
    ASSERT_TRUE(errors.empty());
    const QImage view = Control<PictureArea>(*form, "hologramView")->image();
    EXPECT_NE(readFile(homePath("H-")), background);
    EXPECT_EQ(QImage(homePath("H-")).convertToFormat(QImage::Format_RGB32), view);
    EXPECT_EQ(field(readFile(homePath("H-")), 28, 2), 8u);
}

// The chooser's folder turned into a plain file after it was read: a path
// that cannot be written even by root.
TEST_F(SaveTest, UnwritableFolderReportsErrorSeventyFiveAndWritesNothing) {
    const QString folder = makeFolder("gone");
    Control<QPushButton>(*form, "loadButton")->click();
    Control<DirListBox>(window(), "folderList")->setPath(folder);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    writeFile(folder, "a file");
    const QImage view = Control<PictureArea>(*form, "hologramView")->image();

    save();
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
    EXPECT_TRUE(errors.errors().front().description.contains("H-"))
        << errors.errors().front().description.toStdString();
    // The path and the status line already name the file; the view is as it was.
    EXPECT_EQ(Control<QLabel>(*form, "statusLabel")->text(),
              "saving " + QDir(folder).canonicalPath() + "/H-");
    EXPECT_TRUE(Control<QLabel>(*form, "statusBarMessage")->text().isEmpty());
    EXPECT_TRUE(Control<PictureArea>(*form, "hologramView")->picture().isNull());
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->image(), view);
    EXPECT_EQ(readFile(folder), "a file");
}

TEST_F(SaveTest, ReadOnlyFolderKeepsTheEarlierFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; see the next tests";
    const QString folder = makeFolder("pictures");
    writeStar(folder);
    Control<QPushButton>(*form, "loadButton")->click();
    select(folder, "star.bmp");
    writeFile(QDir(folder).filePath("H-star.bmp"), "earlier");
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    save();
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
    EXPECT_EQ(readFile(QDir(folder).filePath("H-star.bmp")), "earlier");
    EXPECT_EQ(entries(folder), QStringList({"H-star.bmp", "star.bmp"}));
}

// A folder that no one may write, root included: a read-only file system.
TEST_F(SaveTest, FolderOnAReadOnlyFileSystemIsRefused) {
    if (!QFileInfo(QStringLiteral("/proc")).isDir()) GTEST_SKIP() << "no /proc here";
    Control<QPushButton>(*form, "loadButton")->click();
    Control<DirListBox>(window(), "folderList")->setPath(QStringLiteral("/proc"));
    save();
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
    EXPECT_EQ(Control<QLabel>(*form, "statusLabel")->text(), "saving /proc/H-");
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/H-")));
    EXPECT_TRUE(Control<PictureArea>(*form, "hologramView")->picture().isNull());
}

// A failure when the finished file is put in place (here: a folder of the
// same name is in the way) leaves what was there and no partial file.
TEST_F(SaveTest, FailedReplaceLeavesNoPartialFile) {
    const QString folder = makeFolder("pictures");
    writeStar(folder);
    const QString inTheWay = makeFolder("pictures/H-star.bmp");
    writeFile(inTheWay + "/kept", "kept");
    Control<QPushButton>(*form, "loadButton")->click();
    select(folder, "star.bmp");
    save();
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
    EXPECT_EQ(entries(folder), QStringList({"H-star.bmp", "star.bmp"}));
    EXPECT_EQ(readFile(inTheWay + "/kept"), "kept");
    EXPECT_TRUE(Control<PictureArea>(*form, "hologramView")->picture().isNull());
}

// "Save Holo" onto a name that is not a regular file: error 75 with the
// reason, the name as it was, the view as it was.
struct SpecialSaveTarget {
    const char* name;
    bool (*make)(const QString& path, const QString& folder);
    const char* reason;
};

class SaveOverSpecialFile : public SaveTest, public ::testing::WithParamInterface<SpecialSaveTarget> {};

TEST_P(SaveOverSpecialFile, IsRefusedWithErrorSeventyFive) {
    const QString folder = makeFolder("pictures");
    writeStar(folder);
    const QString target = QDir(folder).filePath("H-star.bmp");
    ASSERT_TRUE(GetParam().make(target, folder));
    const QString before = FileEntry(target);
    const QString devNull = FileEntry("/dev/null");
    load("star.bmp", folder);
    ASSERT_TRUE(errors.empty());
    const QImage view = Control<PictureArea>(*form, "hologramView")->image();

    save();
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
    EXPECT_TRUE(errors.errors().front().description.endsWith(GetParam().reason))
        << errors.errors().front().description.toStdString();
    EXPECT_EQ(FileEntry(target), before);
    EXPECT_EQ(FileEntry("/dev/null"), devNull);
    EXPECT_TRUE(Control<PictureArea>(*form, "hologramView")->picture().isNull());
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->image(), view);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SaveOverSpecialFile,
    ::testing::Values(SpecialSaveTarget{"Fifo",
                                        [](const QString& path, const QString&) {
                                            return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
                                        },
                                        "it is a named pipe, not a regular file"},
                      SpecialSaveTarget{
                          "LinkToDevNull",
                          [](const QString& path, const QString&) { return QFile::link("/dev/null", path); },
                          "it is a link to a device, not to a regular file"},
                      SpecialSaveTarget{"DanglingLink",
                                        [](const QString& path, const QString& folder) {
                                            return QFile::link(QDir(folder).filePath("gone.bmp"), path);
                                        },
                                        "cannot be followed (No such file or directory)"}),
    [](const auto& info) { return std::string(info.param.name); });

// A link to a file is saved through: the link stays, the file it leads to
// holds the hologram.
TEST_F(SaveTest, ALinkToAFileIsSavedThrough) {
    const QString folder = makeFolder("pictures");
    writeStar(folder);
    const QString kept = makeFolder("kept") + "/hologram.bmp";
    writeFile(kept, "earlier");
    const QString link = QDir(folder).filePath("H-star.bmp");
    ASSERT_TRUE(QFile::link(kept, link));
    load("star.bmp", folder);
    save();
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    EXPECT_EQ(FileEntry(link), "link to " + kept);
    EXPECT_EQ(QImage(kept).convertToFormat(QImage::Format_RGB32),
              Control<PictureArea>(*form, "hologramView")->image());
    EXPECT_EQ(entries(QFileInfo(kept).absolutePath()), QStringList({"hologram.bmp"}));
}

TEST(HologramBitmapWriterTest, EmptyPictureIsRefusedAndLeavesTheEarlierFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("H-x.bmp");
    writeFile(path, "earlier");
    try {
        WriteHologramBitmap(QImage(), path);
        FAIL() << "no error";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::PathFileAccessError);
    }
    EXPECT_EQ(readFile(path), "earlier");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

}  // namespace
}  // namespace marbleck::test
