#include "input/InputFileChooser.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "widgets/DirListBox.h"
#include "widgets/DriveListBox.h"
#include "widgets/ErrorReporter.h"
#include "widgets/FileListBox.h"
#include "widgets/Placement.h"
#include "platform/RunTimeError.h"
#include "widgets/Screen.h"

namespace marbleck {

const char* const InputFileChooser::StartFolder = "c:\\documents and settings\\";

InputFileChooser::InputFileChooser(std::string& inputFilePath, std::function<void()> loadObjectBitmap,
                 ShowNotice showNotice, QWidget* parent)
    : QWidget(parent, Qt::Window),
      inputFilePath_(inputFilePath),
      loadObjectBitmap_(std::move(loadObjectBitmap)),
      showNotice_(std::move(showNotice)) {
    setWindowTitle(QStringLiteral("Open Input File"));
    setFixedSize(TwipsToPixels(6945, Screen::TwipsPerPixelX()),
                 TwipsToPixels(4950, Screen::TwipsPerPixelY()));
    createControls();
    load();
}

void InputFileChooser::createControls() {
    fileList = Placed(new FileListBox(this), 3600, 1200, 2415, 2625);
    driveList = Placed(new DriveListBox(this), 720, 4320, 2415, 315);
    folderList = Placed(new DirListBox(this), 720, 1200, 2415, 2565);
    fileNameEdit = Placed(new QLineEdit(this), 3600, 720, 2415, 375);
    openButton = Placed(new QPushButton(QStringLiteral("open"), this), 3720, 4080, 1215, 495);
    cancelButton = Placed(new QPushButton(QStringLiteral("Cancel"), this), 5160, 4080, 975, 495);

    SetTabOrder({fileList, driveList, folderList, fileNameEdit, openButton, cancelButton});

    connect(driveList, &DriveListBox::driveChanged, this, &InputFileChooser::followDrive);
    connect(folderList, &DirListBox::pathChanged, this, &InputFileChooser::followFolder);
    connect(fileList, &FileListBox::fileSelected, this, &InputFileChooser::showSelectedFile);
    connect(fileList, &FileListBox::listRead, this, &InputFileChooser::File1_Read);
    connect(openButton, &QPushButton::clicked, this, &InputFileChooser::openSelected);
    connect(cancelButton, &QPushButton::clicked, this, &InputFileChooser::cancel);
}

// The start-up state. The fixed start folder is a Windows path that does not
// exist here, so the chooser then starts in the user's home folder. Setting
// the folder runs the folder-change handler, which points the file list at it;
// the file list is pointed there once more in case the folder list already
// stood in that folder and so reported no change. The drive list is not set:
// it shows the drive of the current directory.
void InputFileChooser::load() {
    const QString start = QString::fromLatin1(StartFolder);
    folderList->setPath(QFileInfo(start).isDir() ? start : QDir::homePath());
    fileList->setPath(folderList->path());
    fileNameEdit->setText(QStringLiteral("*.bmp"));
    fileList->setPattern(fileNameEdit->text());
}

// A drive that cannot be read leaves the chooser on the previous drive and
// folder, without a message: the drive list goes back to the folder's drive.
void InputFileChooser::followDrive() {
    try {
        folderList->setDrive(driveList->drive());
        fileList->setPath(folderList->path());
    } catch (const RunTimeError&) {
    }
    driveList->setDrive(folderList->path());
}

void InputFileChooser::followFolder() {
    ErrorReporter::RunCommand(this, [&] { fileList->setPath(folderList->path()); });
}

void InputFileChooser::showSelectedFile() { fileNameEdit->setText(fileList->fileName()); }

// Files the list cannot show are at least counted, so that their absence is
// not a mystery.
void InputFileChooser::File1_Read() {
    const int unlisted = fileList->unlistedCount();
    if (unlisted == 0) showNotice_(QString());
    else if (unlisted == 1) showNotice_(QStringLiteral("1 file not shown: its name is not valid UTF-8"));
    else showNotice_(QStringLiteral("%1 files not shown: their names are not valid UTF-8").arg(unlisted));
}

// The separator is always inserted, so a file in the root folder gets "//".
// The chooser stays visible when the load fails.
void InputFileChooser::openSelected() {
    ErrorReporter::RunCommand(this, [&] {
        inputFilePath_ = (folderList->path() + QLatin1Char('/') + fileList->fileName()).toStdString();
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
