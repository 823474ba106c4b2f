#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "DriveListBox.h"
#include "FilesFixture.h"
#include "PictureArea.h"
#include "RunTimeError.h"

namespace marbleck::test {
namespace {

class ChooserTest : public FilesFixture {};

QStringList listed(const FileListBox& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i) names << list.item(i)->text();
    return names;
}

TEST_F(ChooserTest, IsCreatedHiddenInItsStartUpStateOnFirstUse) {
    EXPECT_FALSE(chooser().exists());
    file_io& w = window();
    EXPECT_TRUE(chooser().exists());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "Open Input File");
    EXPECT_EQ(w.size(), QSize(463, 330));  // 6945 × 4950 twips
    // The Windows start folder does not exist here: the chooser starts at home.
    EXPECT_EQ(w.Dir1->path(), QDir(home.path()).canonicalPath());
    EXPECT_EQ(w.File1->path(), w.Dir1->path());
    EXPECT_EQ(w.Text1->text(), "*.bmp");
    EXPECT_EQ(w.File1->pattern(), "*.bmp");
    EXPECT_EQ(w.File1->fileName(), "");
    EXPECT_EQ(w.fileselect->text(), "open");
    EXPECT_EQ(w.filecancel->text(), "Cancel");
    EXPECT_EQ(w.File1->geometry(), QRect(240, 80, 161, 175));
    EXPECT_EQ(w.Drive1->geometry().topLeft(), QPoint(48, 288));
    EXPECT_EQ(w.Dir1->geometry(), QRect(48, 80, 161, 171));
    EXPECT_EQ(w.fileselect->geometry(), QRect(248, 272, 81, 33));
    EXPECT_EQ(w.filecancel->geometry(), QRect(344, 272, 65, 33));
    // Tab order: File1, Drive1, Dir1, Text1, open, Cancel.
    const QList<QWidget*> order = {w.File1, w.Drive1, w.Dir1, w.Text1, w.fileselect, w.filecancel};
    QWidget* at = order.front();
    for (qsizetype i = 1; i < order.size(); ++i) {
        do {
            at = at->nextInFocusChain();
        } while (at != order[i] && (!(at->focusPolicy() & Qt::TabFocus) || order[i - 1]->isAncestorOf(at)));
        EXPECT_EQ(at, order[i]) << "position " << i;
    }
}

TEST_F(ChooserTest, LoadShowsItModelessAndCancelHidesIt) {
    form->show();
    form->Open->click();
    ASSERT_TRUE(window().isVisible());
    EXPECT_FALSE(window().isModal());
    EXPECT_TRUE(form->isEnabled());
    window().filecancel->click();
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(chooser().exists());
}

TEST_F(ChooserTest, CancelAndLoadKeepFolderSelectionAndText) {
    const QString folder = makeFolder("pictures");
    writeBitmap("a.bmp", Bitmap8::filled(4, 4, 1), folder);
    writeBitmap("star.bmp", Bitmap8::filled(4, 4, 1), folder);
    form->Open->click();
    select(folder, "star.bmp");
    EXPECT_EQ(window().Text1->text(), "star.bmp");
    file_io* before = &window();

    window().filecancel->click();
    form->Open->click();
    EXPECT_EQ(&window(), before);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(window().Dir1->path(), QDir(folder).canonicalPath());
    EXPECT_EQ(window().File1->fileName(), "star.bmp");
    EXPECT_EQ(window().Text1->text(), "star.bmp");
    EXPECT_EQ(module.InputFilePath, "");
}

TEST_F(ChooserTest, ListsBitmapsWhateverTheCaseOfTheirExtension) {
    for (const char* name : {"b.bmp", "STAR.BMP", "a.Bmp", "notes.txt", "bmp", "c.bmp.txt"})
        writeFile(homePath(name), "x");
    makeFolder("folder.bmp");
    window().File1->refresh();
    EXPECT_EQ(listed(*window().File1), QStringList({"a.Bmp", "b.bmp", "STAR.BMP"}));
}

TEST_F(ChooserTest, TypedTextIsIgnoredByOpen) {
    writeBitmap("a.bmp", Bitmap8::filled(8, 8, 1));
    writeBitmap("b.bmp", Bitmap8::filled(20, 20, 1));
    form->Open->click();
    select(home.path(), "a.bmp");
    window().Text1->clear();
    QTest::keyClicks(window().Text1, "b.bmp");
    pressOpen();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(QString::fromStdString(module.InputFilePath), window().Dir1->path() + "/a.bmp");
    EXPECT_EQ(module.ObjectInfoHeader.width, 8);
    EXPECT_FALSE(window().isVisible());
}

TEST_F(ChooserTest, OpenUsesTheSelectionInTheNewFolder) {
    const QString first = makeFolder("first");
    const QString second = makeFolder("second");
    writeBitmap("a.bmp", Bitmap8::filled(8, 8, 1), first);
    writeBitmap("b.bmp", Bitmap8::filled(12, 12, 1), second);
    form->Open->click();
    select(first, "a.bmp");

    // A new folder starts without a selection: "open" then has no file.
    window().Dir1->setPath(second);
    EXPECT_EQ(window().File1->path(), QDir(second).canonicalPath());
    EXPECT_EQ(window().File1->fileName(), "");
    pressOpen();
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
    EXPECT_EQ(QString::fromStdString(module.InputFilePath), QDir(second).canonicalPath() + "/");
    EXPECT_TRUE(window().isVisible());

    select(second, "b.bmp");
    errors.clear();
    pressOpen();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(QString::fromStdString(module.InputFilePath), QDir(second).canonicalPath() + "/b.bmp");
    EXPECT_EQ(module.ObjectInfoHeader.width, 12);
}

TEST_F(ChooserTest, OpenWithNothingSelectedFailsAndStaysVisible) {
    writeBitmap("a.bmp", Bitmap8::filled(8, 8, 1));
    form->Open->click();
    const QImage canvas = form->Picture1->image();
    pressOpen();
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(form->Picture1->image(), canvas);
    EXPECT_FLOAT_EQ(form->Picture1->outerWidth(), 1500.0f);
}

TEST_F(ChooserTest, RootFolderGetsTheSeparatorInsertedOnceMore) {
    form->Open->click();
    window().Dir1->setPath("/");
    EXPECT_EQ(window().File1->path(), "/");
    pressOpen();  // nothing selected: the path is the root and the separator
    EXPECT_EQ(module.InputFilePath, "//");
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
}

TEST_F(ChooserTest, DriveThatCannotBeReadLeavesDriveFolderAndFiles) {
    const QString folder = makeFolder("pictures");
    writeBitmap("a.bmp", Bitmap8::filled(4, 4, 1), folder);
    select(folder, "a.bmp");
    QSignalSpy folderChanges(window().Dir1, &DirListBox::pathChanged);

    DriveListBox& drives = *window().Drive1;
    drives.addItem(home.filePath("no-medium"));
    const int missing = drives.count() - 1;
    drives.setCurrentIndex(missing);
    emit drives.activated(missing);

    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(drives.drive(), DriveListBox::DriveOf(folder));
    EXPECT_EQ(drives.currentText(), drives.drive());
    EXPECT_EQ(window().Dir1->path(), QDir(folder).canonicalPath());
    EXPECT_EQ(window().File1->path(), QDir(folder).canonicalPath());
    EXPECT_EQ(folderChanges.count(), 0);
}

TEST_F(ChooserTest, PickedDriveMovesFolderAndFiles) {
    const QString other = makeFolder("volume");
    writeBitmap("v.bmp", Bitmap8::filled(4, 4, 1), other);
    DriveListBox& drives = *window().Drive1;
    drives.addItem(other);  // stands for a mounted volume's root
    const int index = drives.count() - 1;
    drives.setCurrentIndex(index);
    emit drives.activated(index);

    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(window().Dir1->path(), QDir(other).canonicalPath());
    EXPECT_EQ(listed(*window().File1), QStringList({"v.bmp"}));
}

TEST_F(ChooserTest, ClosingThroughTheFrameDiscardsItAndNextUseStartsAfresh) {
    const QString folder = makeFolder("pictures");
    writeBitmap("a.bmp", Bitmap8::filled(4, 4, 1), folder);
    form->Open->click();
    select(folder, "a.bmp");
    QPointer<file_io> closed = &window();
    closed->close();
    EXPECT_FALSE(chooser().exists());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull());

    EXPECT_EQ(chooser().folderPath(), QDir(home.path()).canonicalPath());
    EXPECT_EQ(chooser().selectedFileName(), "");
    EXPECT_EQ(window().Text1->text(), "*.bmp");
    EXPECT_FALSE(window().isVisible());
}

}  // namespace
}  // namespace marbleck::test
