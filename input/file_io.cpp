#include "file_io.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "DirListBox.h"
#include "DriveListBox.h"
#include "ErrorReporter.h"
#include "FileListBox.h"
#include "Placement.h"
#include "RunTimeError.h"
#include "Screen.h"

namespace marbleck {

const char* const file_io::StartFolder = "c:\\documents and settings\\";

file_io::file_io(std::string& inputFilePath, std::function<void()> loadObjectBitmap,
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

void file_io::createControls() {
    File1 = Placed(new FileListBox(this), 3600, 1200, 2415, 2625);
    Drive1 = Placed(new DriveListBox(this), 720, 4320, 2415, 315);
    Dir1 = Placed(new DirListBox(this), 720, 1200, 2415, 2565);
    Text1 = Placed(new QLineEdit(QStringLiteral("Text1"), this), 3600, 720, 2415, 375);
    fileselect = Placed(new QPushButton(QStringLiteral("open"), this), 3720, 4080, 1215, 495);
    filecancel = Placed(new QPushButton(QStringLiteral("Cancel"), this), 5160, 4080, 975, 495);

    SetTabOrder({File1, Drive1, Dir1, Text1, fileselect, filecancel});

    connect(Drive1, &DriveListBox::driveChanged, this, &file_io::Drive1_Change);
    connect(Dir1, &DirListBox::pathChanged, this, &file_io::Dir1_Change);
    connect(File1, &FileListBox::fileSelected, this, &file_io::File1_Click);
    connect(File1, &FileListBox::listRead, this, &file_io::File1_Read);
    connect(fileselect, &QPushButton::clicked, this, &file_io::fileselect_Click);
    connect(filecancel, &QPushButton::clicked, this, &file_io::filecancel_Click);
}

// The start-up state. The fixed start folder is a Windows path that does not
// exist here, so the chooser then starts in the user's home folder. Setting
// the folder runs the folder-change handler, which points the file list at it;
// the file list is pointed there once more in case the folder list already
// stood in that folder and so reported no change. The drive list is not set:
// it shows the drive of the current directory.
void file_io::load() {
    const QString start = QString::fromLatin1(StartFolder);
    Dir1->setPath(QFileInfo(start).isDir() ? start : QDir::homePath());
    File1->setPath(Dir1->path());
    Text1->setText(QStringLiteral("*.bmp"));
    File1->setPattern(Text1->text());
}

// A drive that cannot be read leaves the chooser on the previous drive and
// folder, without a message: the drive list goes back to the folder's drive.
void file_io::Drive1_Change() {
    try {
        Dir1->setDrive(Drive1->drive());
        File1->setPath(Dir1->path());
    } catch (const RunTimeError&) {
    }
    Drive1->setDrive(Dir1->path());
}

void file_io::Dir1_Change() {
    ErrorReporter::RunCommand(this, [&] { File1->setPath(Dir1->path()); });
}

void file_io::File1_Click() { Text1->setText(File1->fileName()); }

// Files the list cannot show are at least counted, so that their absence is
// not a mystery.
void file_io::File1_Read() {
    const int unlisted = File1->unlistedCount();
    if (unlisted == 0) showNotice_(QString());
    else if (unlisted == 1) showNotice_(QStringLiteral("1 file not shown: its name is not valid UTF-8"));
    else showNotice_(QStringLiteral("%1 files not shown: their names are not valid UTF-8").arg(unlisted));
}

// The separator is always inserted, so a file in the root folder gets "//".
// The chooser stays visible when the load fails.
void file_io::fileselect_Click() {
    ErrorReporter::RunCommand(this, [&] {
        inputFilePath_ = (Dir1->path() + QLatin1Char('/') + File1->fileName()).toStdString();
        loadObjectBitmap_();
        hide();
    });
}

void file_io::filecancel_Click() { hide(); }

void file_io::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByFrame();
}

}  // namespace marbleck
