#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "Controls.h"
#include "FilesFixture.h"
#include "platform/RunTimeError.h"
#include "widgets/DriveListBox.h"
#include "widgets/PictureArea.h"

namespace marbleck::test {
namespace {

class ChooserTest : public FilesFixture {
protected:
    // Shows the chooser with "Load" and waits until it has the keyboard.
    void showChooser() {
        form->show();
        QTest::mouseClick(Control<QPushButton>(*form, "loadButton"), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    }
    // Clicks `name` in the file list with the mouse.
    void clickFile(const QString& name, Qt::KeyboardModifiers modifiers = {}) {
        FileListBox& files = *Control<FileListBox>(window(), "fileList");
        const auto found = files.findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        files.scrollToItem(found.front());
        QTest::mouseClick(files.viewport(), Qt::LeftButton, modifiers,
                          files.visualItemRect(found.front()).center());
    }
    void pressKey(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    std::string box() { return Control<QLineEdit>(window(), "fileNameEdit")->text().toStdString(); }
};

QStringList listed(const FileListBox& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i) names << list.item(i)->text();
    return names;
}

TEST_F(ChooserTest, IsCreatedHiddenInItsStartUpStateOnFirstUse) {
    EXPECT_FALSE(chooser().exists());
    InputFileChooser& w = window();
    EXPECT_TRUE(chooser().exists());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "Open Input File");
    EXPECT_EQ(w.size(), QSize(463, 330));  // 6945 × 4950 twips
    // The Windows start folder does not exist here: the chooser starts at home.
    EXPECT_EQ(Control<DirListBox>(w, "folderList")->path(), QDir(home.path()).canonicalPath());
    EXPECT_EQ(Control<FileListBox>(w, "fileList")->path(), Control<DirListBox>(w, "folderList")->path());
    EXPECT_EQ(Control<QLineEdit>(w, "fileNameEdit")->text(), "*.bmp");
    EXPECT_EQ(Control<FileListBox>(w, "fileList")->pattern(), "*.bmp");
    EXPECT_EQ(Control<FileListBox>(w, "fileList")->fileName(), "");
    EXPECT_EQ(Control<QPushButton>(w, "openButton")->text(), "open");
    EXPECT_EQ(Control<QPushButton>(w, "cancelButton")->text(), "Cancel");
    EXPECT_EQ(Control<FileListBox>(w, "fileList")->geometry(), QRect(240, 80, 161, 175));
    EXPECT_EQ(Control<DriveListBox>(w, "driveList")->geometry().topLeft(), QPoint(48, 288));
    EXPECT_EQ(Control<DirListBox>(w, "folderList")->geometry(), QRect(48, 80, 161, 171));
    EXPECT_EQ(Control<QPushButton>(w, "openButton")->geometry(), QRect(248, 272, 81, 33));
    EXPECT_EQ(Control<QPushButton>(w, "cancelButton")->geometry(), QRect(344, 272, 65, 33));
    // Tab order: the file list, the drive list, the folder list, the name box, "open", "Cancel".
    const QList<QWidget*> order = {
        Control<FileListBox>(w, "fileList"),   Control<DriveListBox>(w, "driveList"),
        Control<DirListBox>(w, "folderList"),  Control<QLineEdit>(w, "fileNameEdit"),
        Control<QPushButton>(w, "openButton"), Control<QPushButton>(w, "cancelButton")};
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
    Control<QPushButton>(*form, "loadButton")->click();
    ASSERT_TRUE(window().isVisible());
    EXPECT_FALSE(window().isModal());
    EXPECT_TRUE(form->isEnabled());
    Control<QPushButton>(window(), "cancelButton")->click();
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(chooser().exists());
}

TEST_F(ChooserTest, CancelAndLoadKeepFolderSelectionAndText) {
    const QString folder = makeFolder("pictures");
    writeBitmap("a.bmp", Bitmap8::filled(4, 4, 1), folder);
    writeBitmap("star.bmp", Bitmap8::filled(4, 4, 1), folder);
    Control<QPushButton>(*form, "loadButton")->click();
    select(folder, "star.bmp");
    EXPECT_EQ(Control<QLineEdit>(window(), "fileNameEdit")->text(), "star.bmp");
    InputFileChooser* before = &window();

    Control<QPushButton>(window(), "cancelButton")->click();
    Control<QPushButton>(*form, "loadButton")->click();
    EXPECT_EQ(&window(), before);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(Control<DirListBox>(window(), "folderList")->path(), QDir(folder).canonicalPath());
    EXPECT_EQ(Control<FileListBox>(window(), "fileList")->fileName(), "star.bmp");
    EXPECT_EQ(Control<QLineEdit>(window(), "fileNameEdit")->text(), "star.bmp");
    EXPECT_EQ(document.input.openedPath, "");
}

TEST_F(ChooserTest, AFileClickedOrReachedByKeyShowsItsNameAndOpens) {
    writeBitmap("a.bmp", Bitmap8::filled(8, 8, 1));
    writeBitmap("b.bmp", Bitmap8::filled(12, 12, 1));
    writeBitmap("c.bmp", Bitmap8::filled(16, 16, 1));
    showChooser();
    FileListBox& files = *Control<FileListBox>(window(), "fileList");

    // Shown with the keyboard on the file list: no file is selected, none
    // is marked as current, and the box still shows the pattern.
    EXPECT_EQ(QApplication::focusWidget(), &files);
    EXPECT_TRUE(files.selectedItems().isEmpty());
    EXPECT_EQ(files.currentItem(), nullptr);
    EXPECT_EQ(box(), "*.bmp");

    // The first Down selects the first file.
    pressKey(Qt::Key_Down);
    EXPECT_EQ(box(), "a.bmp");
    clickFile("b.bmp");
    EXPECT_EQ(box(), "b.bmp");
    pressKey(Qt::Key_Down);
    EXPECT_EQ(box(), "c.bmp");
    clickFile("a.bmp");
    EXPECT_EQ(box(), "a.bmp");
    pressKey(Qt::Key_End);
    pressKey(Qt::Key_Up);
    EXPECT_EQ(box(), "b.bmp");
    // Neither a Control-click on it nor a click below the files unselects
    // the selected file.
    clickFile("b.bmp", Qt::ControlModifier);
    QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, QPoint(10, files.viewport()->height() - 4));
    EXPECT_EQ(files.fileName().toStdString(), "b.bmp");
    EXPECT_EQ(box(), "b.bmp");

    QTest::mouseClick(Control<QPushButton>(window(), "openButton"), Qt::LeftButton);
    ASSERT_TRUE(errors.empty()) << errors.lastNumber();
    EXPECT_EQ(document.input.openedPath, Control<DirListBox>(window(), "folderList")->path() + "/b.bmp");
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerWidth(), 12 * 15);
    EXPECT_FALSE(window().isVisible());
}

// A file whose name is made of raw bytes, removed again at the end (the
// temporary folder's own clean-up does not see such names).
class RawNamedFile {
public:
    RawNamedFile(const QByteArray& path, const QByteArray& bytes, bool folder = false)
        : path_(path), folder_(folder) {
        if (folder) {
            EXPECT_EQ(::mkdir(path.constData(), 0755), 0);
            return;
        }
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())), bytes.size());
        ::close(fd);
    }
    ~RawNamedFile() { folder_ ? ::rmdir(path_.constData()) : ::unlink(path_.constData()); }
    RawNamedFile(const RawNamedFile&) = delete;
    RawNamedFile& operator=(const RawNamedFile&) = delete;

private:
    QByteArray path_;
    bool folder_;
};

// The platform cannot name files whose names are not valid UTF-8, so the
// list cannot show them; the status line says how many bitmaps it left out.
TEST_F(ChooserTest, BitmapsWhoseNamesAreNotUtf8AreCountedInTheStatusLine) {
    const QString odd = makeFolder("odd");
    writeBitmap("a.bmp", Bitmap8::filled(4, 4, 1), odd);
    const QByteArray at = QFile::encodeName(odd) + '/';
    const QByteArray bitmap = Bitmap8::filled(4, 4, 1).bytes();
    const RawNamedFile latin1(at + "caf\xe9.bmp", bitmap);
    const RawNamedFile bytes(at + "\xff\xfe.BMP", bitmap);
    const RawNamedFile text(at + "caf\xe9.txt", "x");
    const RawNamedFile folder(at + "d\xe9.bmp", {}, true);

    Control<QPushButton>(*form, "loadButton")->click();
    EXPECT_EQ(Control<QLabel>(*form, "statusLabel")->text().toStdString(), "");
    Control<DirListBox>(window(), "folderList")->setPath(odd);
    EXPECT_EQ(listed(*Control<FileListBox>(window(), "fileList")), QStringList({"a.bmp"}));
    EXPECT_EQ(Control<QLabel>(*form, "statusLabel")->text().toStdString(),
              "2 files not shown: their names are not valid UTF-8");

    // Elsewhere the notice goes; other status text stays.
    Control<DirListBox>(window(), "folderList")->setPath(home.path());
    EXPECT_EQ(Control<QLabel>(*form, "statusLabel")->text().toStdString(), "");
    Control<DirListBox>(window(), "folderList")->setPath(odd);
    Control<QLabel>(*form, "statusLabel")->setText("saving elsewhere");
    Control<DirListBox>(window(), "folderList")->setPath(home.path());
    EXPECT_EQ(Control<QLabel>(*form, "statusLabel")->text().toStdString(), "saving elsewhere");
}

TEST_F(ChooserTest, ListsBitmapsWhateverTheCaseOfTheirExtension) {
    for (const char* name : {"b.bmp", "STAR.BMP", "a.Bmp", "notes.txt", "bmp", "c.bmp.txt"})
        writeFile(homePath(name), "x");
    makeFolder("folder.bmp");
    Control<FileListBox>(window(), "fileList")->refresh();
    EXPECT_EQ(listed(*Control<FileListBox>(window(), "fileList")),
              QStringList({"a.Bmp", "b.bmp", "STAR.BMP"}));
}

TEST_F(ChooserTest, TypedTextIsIgnoredByOpen) {
    writeBitmap("a.bmp", Bitmap8::filled(8, 8, 1));
    writeBitmap("b.bmp", Bitmap8::filled(20, 20, 1));
    Control<QPushButton>(*form, "loadButton")->click();
    select(home.path(), "a.bmp");
    Control<QLineEdit>(window(), "fileNameEdit")->clear();
    QTest::keyClicks(Control<QLineEdit>(window(), "fileNameEdit"), "b.bmp");
    pressOpen();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(document.input.openedPath, Control<DirListBox>(window(), "folderList")->path() + "/a.bmp");
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerWidth(), 8 * 15);
    EXPECT_FALSE(window().isVisible());
}

TEST_F(ChooserTest, OpenUsesTheSelectionInTheNewFolder) {
    const QString first = makeFolder("first");
    const QString second = makeFolder("second");
    writeBitmap("a.bmp", Bitmap8::filled(8, 8, 1), first);
    writeBitmap("b.bmp", Bitmap8::filled(12, 12, 1), second);
    Control<QPushButton>(*form, "loadButton")->click();
    select(first, "a.bmp");

    // A new folder starts without a selection: "open" then has no file.
    Control<DirListBox>(window(), "folderList")->setPath(second);
    EXPECT_EQ(Control<FileListBox>(window(), "fileList")->path(), QDir(second).canonicalPath());
    EXPECT_EQ(Control<FileListBox>(window(), "fileList")->fileName(), "");
    pressOpen();
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
    EXPECT_EQ(document.input.openedPath, QDir(second).canonicalPath() + "/");
    EXPECT_TRUE(window().isVisible());

    select(second, "b.bmp");
    errors.clear();
    pressOpen();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(document.input.openedPath, QDir(second).canonicalPath() + "/b.bmp");
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerWidth(), 12 * 15);
}

TEST_F(ChooserTest, OpenWithNothingSelectedFailsAndStaysVisible) {
    writeBitmap("a.bmp", Bitmap8::filled(8, 8, 1));
    Control<QPushButton>(*form, "loadButton")->click();
    const QImage canvas = Control<PictureArea>(*form, "objectCanvas")->image();
    pressOpen();
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->image(), canvas);
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerWidth(), 1500.0f);
}

TEST_F(ChooserTest, RootFolderGetsTheSeparatorInsertedOnceMore) {
    Control<QPushButton>(*form, "loadButton")->click();
    Control<DirListBox>(window(), "folderList")->setPath("/");
    EXPECT_EQ(Control<FileListBox>(window(), "fileList")->path(), "/");
    pressOpen();  // nothing selected: the path is the root and the separator
    EXPECT_EQ(document.input.openedPath, "//");
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::PathFileAccessError);
}

TEST_F(ChooserTest, DriveThatCannotBeReadLeavesDriveFolderAndFiles) {
    const QString folder = makeFolder("pictures");
    writeBitmap("a.bmp", Bitmap8::filled(4, 4, 1), folder);
    select(folder, "a.bmp");
    QSignalSpy folderChanges(Control<DirListBox>(window(), "folderList"), &DirListBox::pathChanged);

    DriveListBox& drives = *Control<DriveListBox>(window(), "driveList");
    drives.addItem(home.filePath("no-medium"));
    const int missing = drives.count() - 1;
    drives.setCurrentIndex(missing);
    emit drives.activated(missing);

    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(drives.drive(), DriveListBox::DriveOf(folder));
    EXPECT_EQ(drives.currentText(), drives.drive());
    EXPECT_EQ(Control<DirListBox>(window(), "folderList")->path(), QDir(folder).canonicalPath());
    EXPECT_EQ(Control<FileListBox>(window(), "fileList")->path(), QDir(folder).canonicalPath());
    EXPECT_EQ(folderChanges.count(), 0);
}

TEST_F(ChooserTest, PickedDriveMovesFolderAndFiles) {
    const QString other = makeFolder("volume");
    writeBitmap("v.bmp", Bitmap8::filled(4, 4, 1), other);
    DriveListBox& drives = *Control<DriveListBox>(window(), "driveList");
    drives.addItem(other);  // stands for a mounted volume's root
    const int index = drives.count() - 1;
    drives.setCurrentIndex(index);
    emit drives.activated(index);

    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Control<DirListBox>(window(), "folderList")->path(), QDir(other).canonicalPath());
    EXPECT_EQ(listed(*Control<FileListBox>(window(), "fileList")), QStringList({"v.bmp"}));
}

TEST_F(ChooserTest, ClosingThroughTheFrameDiscardsItAndNextUseStartsAfresh) {
    const QString folder = makeFolder("pictures");
    writeBitmap("a.bmp", Bitmap8::filled(4, 4, 1), folder);
    Control<QPushButton>(*form, "loadButton")->click();
    select(folder, "a.bmp");
    QPointer<InputFileChooser> closed = &window();
    closed->close();
    EXPECT_FALSE(chooser().exists());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull());

    // Saving now goes where a fresh chooser stands: the home folder, no file.
    EXPECT_EQ(document.input.folder, QDir(home.path()).canonicalPath());
    EXPECT_EQ(document.input.fileName, "");
    EXPECT_EQ(Control<QLineEdit>(window(), "fileNameEdit")->text(), "*.bmp");
    EXPECT_FALSE(window().isVisible());
}

}  // namespace
}  // namespace marbleck::test
