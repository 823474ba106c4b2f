#include "input/InputFileChooser.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "platform/RunTimeError.h"
#include "widgets/DirListBox.h"
#include "widgets/DriveListBox.h"
#include "widgets/ErrorReporter.h"
#include "widgets/FileListBox.h"
#include "widgets/Placement.h"
#include "widgets/Screen.h"

namespace marbleck {

const char* const InputFileChooser::StartFolder = "c:\\documents and settings\\";

QString InputFileChooser::StartFolderPath() {
    const QString start = QString::fromLatin1(StartFolder);
    return QDir::cleanPath(QDir(QFileInfo(start).isDir() ? start : QDir::homePath()).absolutePath());
}

InputFileChooser::InputFileChooser(InputLocation& location, std::function<void()> loadObjectBitmap,
                                   ShowNotice showNotice, QWidget* parent)
    : QWidget(parent, Qt::Window),
      location_(location),
      loadObjectBitmap_(std::move(loadObjectBitmap)),
      showNotice_(std::move(showNotice)) {
    setWindowTitle(QStringLiteral("Open Input File"));
    setFixedSize(TwipsToPixels(6945, Screen::TwipsPerPixelX()),
                 TwipsToPixels(4950, Screen::TwipsPerPixelY()));
    createControls();
    load();
}

void InputFileChooser::createControls() {
    fileList_ = Placed(new FileListBox(this), 3600, 1200, 2415, 2625);
    driveList_ = Placed(new DriveListBox(this), 720, 4320, 2415, 315);
    folderList_ = Placed(new DirListBox(this), 720, 1200, 2415, 2565);
    fileNameEdit_ = Placed(new QLineEdit(this), 3600, 720, 2415, 375);
    openButton_ = Placed(new QPushButton(QStringLiteral("open"), this), 3720, 4080, 1215, 495);
    cancelButton_ = Placed(new QPushButton(QStringLiteral("Cancel"), this), 5160, 4080, 975, 495);

    fileList_->setObjectName(QStringLiteral("fileList"));
    driveList_->setObjectName(QStringLiteral("driveList"));
    folderList_->setObjectName(QStringLiteral("folderList"));
    fileNameEdit_->setObjectName(QStringLiteral("fileNameEdit"));
    openButton_->setObjectName(QStringLiteral("openButton"));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));

    SetTabOrder({fileList_, driveList_, folderList_, fileNameEdit_, openButton_, cancelButton_});

    connect(driveList_, &DriveListBox::driveChanged, this, &InputFileChooser::followDrive);
    connect(folderList_, &DirListBox::pathChanged, this, &InputFileChooser::followFolder);
    connect(fileList_, &FileListBox::fileSelected, this, &InputFileChooser::showSelectedFile);
    connect(fileList_, &FileListBox::listRead, this, &InputFileChooser::countUnlistedFiles);
    // After the handlers above, so that the folder and file recorded are
    // those the lists show once they have followed the change.
    connect(folderList_, &DirListBox::pathChanged, this, &InputFileChooser::recordLocation);
    connect(fileList_, &FileListBox::fileSelected, this, &InputFileChooser::recordLocation);
    connect(fileList_, &FileListBox::listRead, this, &InputFileChooser::recordLocation);
    connect(openButton_, &QPushButton::clicked, this, &InputFileChooser::openSelected);
    connect(cancelButton_, &QPushButton::clicked, this, &InputFileChooser::cancel);
}

// The start-up state. The fixed start folder is a Windows path that does not
// exist here, so the chooser then starts in the user's home folder. Setting
// the folder runs the folder-change handler, which points the file list at it;
// the file list is pointed there once more in case the folder list already
// stood in that folder and so reported no change. The drive list is not set:
// it shows the drive of the current directory.
void InputFileChooser::load() {
    folderList_->setPath(StartFolderPath());
    fileList_->setPath(folderList_->path());
    fileNameEdit_->setText(QStringLiteral("*.bmp"));
    fileList_->setPattern(fileNameEdit_->text());
    recordLocation();
}

void InputFileChooser::recordLocation() {
    location_.folder = folderList_->path();
    location_.fileName = fileList_->fileName();
}

// A drive that cannot be read leaves the chooser on the previous drive and
// folder, without a message: the drive list goes back to the folder's drive.
void InputFileChooser::followDrive() {
    try {
        folderList_->setDrive(driveList_->drive());
        fileList_->setPath(folderList_->path());
    } catch (const RunTimeError&) {
    }
    driveList_->setDrive(folderList_->path());
}

void InputFileChooser::followFolder() {
    ErrorReporter::RunCommand(this, [&] { fileList_->setPath(folderList_->path()); });
}

void InputFileChooser::showSelectedFile() { fileNameEdit_->setText(fileList_->fileName()); }

// Files the list cannot show are at least counted, so that their absence is
// not a mystery.
void InputFileChooser::countUnlistedFiles() {
    const int unlisted = fileList_->unlistedCount();
    if (unlisted == 0)
        showNotice_(QString());
    else if (unlisted == 1)
        showNotice_(QStringLiteral("1 file not shown: its name is not valid UTF-8"));
    else
        showNotice_(QStringLiteral("%1 files not shown: their names are not valid UTF-8").arg(unlisted));
}

// The separator is always inserted, so a file in the root folder gets "//".
// The chooser stays visible when the load fails.
void InputFileChooser::openSelected() {
    ErrorReporter::RunCommand(this, [&] {
        location_.openedPath = folderList_->path() + QLatin1Char('/') + fileList_->fileName();
        loadObjectBitmap_();
        hide();
    });
}

void InputFileChooser::cancel() { hide(); }

void InputFileChooser::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByFrame();
}

}  // namespace marbleck
