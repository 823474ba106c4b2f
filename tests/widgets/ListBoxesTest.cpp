#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include "BitmapFiles.h"
#include "platform/RunTimeError.h"
#include "widgets/DirListBox.h"
#include "widgets/DriveListBox.h"
#include "widgets/FileListBox.h"

namespace marbleck::test {
namespace {

class ListBoxesTest : public ::testing::Test {
protected:
    ListBoxesTest() {
        QDir(dir.path()).mkpath("sub/deeper");
        QDir(dir.path()).mkpath("Other");
        for (const char* name : {"b.bmp", "A.BMP", "c.txt"}) writeFile(dir.filePath(name), "x");
        writeFile(dir.filePath("sub/s.bmp"), "x");
    }
    QString root() const { return QDir(dir.path()).canonicalPath(); }

    QTemporaryDir dir;
};

TEST_F(ListBoxesTest, FileListReadsMatchingFilesAndReportsOnlySelections) {
    FileListBox files;
    QSignalSpy selected(&files, &FileListBox::fileSelected);
    files.setPattern("*.bmp");
    files.setPath(dir.path());
    ASSERT_EQ(files.count(), 2);
    EXPECT_EQ(files.item(0)->text(), "A.BMP");
    EXPECT_EQ(files.item(1)->text(), "b.bmp");
    EXPECT_EQ(files.fileName(), "");
    EXPECT_EQ(selected.count(), 0);

    // A click selects, and reports it.
    files.resize(200, 200);
    files.show();
    QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, files.visualItemRect(files.item(1)).center());
    EXPECT_EQ(files.fileName(), "b.bmp");
    EXPECT_EQ(selected.count(), 1);

    // Reading the same folder again keeps the selection; another folder has none.
    files.setPath(dir.path());
    EXPECT_EQ(files.fileName(), "b.bmp");
    files.setPath(dir.filePath("sub"));
    EXPECT_EQ(files.fileName(), "");
    EXPECT_EQ(files.count(), 1);
    EXPECT_EQ(selected.count(), 1);
    files.setListIndex(0);
    EXPECT_EQ(files.fileName(), "s.bmp");
    EXPECT_EQ(selected.count(), 2);
    files.setListIndex(-1);
    EXPECT_EQ(files.fileName(), "");
}

TEST_F(ListBoxesTest, FileListRefusesAMissingFolderAndKeepsItsList) {
    FileListBox files;
    files.setPath(dir.path());
    const int listed = files.count();
    try {
        files.setPath(dir.filePath("missing"));
        FAIL() << "no error";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::PathNotFound);
    }
    EXPECT_EQ(files.path(), root());
    EXPECT_EQ(files.count(), listed);
}

TEST_F(ListBoxesTest, FolderListReportsEveryChangeAndShowsSubfolders) {
    DirListBox folders;
    QSignalSpy changes(&folders, &DirListBox::pathChanged);
    folders.setPath(dir.path() + "/");
    EXPECT_EQ(folders.path(), root());
    EXPECT_EQ(changes.count(), 1);
    folders.setPath(dir.path());
    EXPECT_EQ(changes.count(), 1);  // the same folder is no change

    // The last items are the subfolders, sorted without regard to case.
    ASSERT_GE(folders.count(), 3);
    EXPECT_EQ(folders.item(folders.count() - 2)->text().trimmed(), "Other");
    EXPECT_EQ(folders.item(folders.count() - 1)->text().trimmed(), "sub");
    EXPECT_EQ(folders.item(0)->text().trimmed(), "/");

    emit folders.itemActivated(folders.item(folders.count() - 1));
    EXPECT_EQ(folders.path(), root() + "/sub");
    EXPECT_EQ(changes.count(), 2);
    EXPECT_THROW(folders.setPath(dir.filePath("b.bmp")), RunTimeError);
    EXPECT_EQ(folders.path(), root() + "/sub");
}

TEST_F(ListBoxesTest, DrivesAreTheMountedVolumes) {
    EXPECT_EQ(DriveListBox::DriveOf("/"), "/");
    DriveListBox drives;
    EXPECT_GE(drives.findText("/"), 0);
    const QString volume = QDir::cleanPath(QStorageInfo(dir.path()).rootPath());
    EXPECT_EQ(DriveListBox::DriveOf(dir.filePath("sub/deeper")), volume);
    drives.setDrive("/");
    QSignalSpy changes(&drives, &DriveListBox::driveChanged);
    drives.setDrive(dir.filePath("sub"));
    EXPECT_EQ(drives.drive(), volume);
    EXPECT_EQ(drives.currentText(), volume);
    EXPECT_EQ(changes.count(), volume == "/" ? 0 : 1);
}

}  // namespace
}  // namespace marbleck::test
