#pragma once

#include <QWidget>
#include <functional>

#include "input/InputLocation.h"

class QLineEdit;
class QPushButton;

namespace marbleck {

class DirListBox;
class DriveListBox;
class FileListBox;

// The input file chooser "Open Input File": a drive list, a folder list and a
// file list of "*.bmp" files. The folder it stands in and the file selected
// there are the program's input folder and file: it writes them into the
// InputLocation it was given whenever either changes. "open" records the full
// path of the selected file and runs the loader; "Cancel" only hides the
// window. Its controls are private; each has its member name as object name.
class InputFileChooser : public QWidget {
    Q_OBJECT

public:
    // The folder the chooser starts in when it exists; otherwise the user's
    // home folder.
    static const char* const StartFolder;
    // The folder the chooser starts in, as its folder list names it.
    static QString StartFolderPath();

    // Shows a notice in the program's status line; an empty notice takes back
    // the last one, unless the status line shows something else by now.
    using ShowNotice = std::function<void(const QString& notice)>;

    // `location` follows the chooser's folder and selection and receives the
    // chosen file's path before `loadObjectBitmap` runs; both outlive the
    // window. `showNotice` says when the file list had to leave files out.
    InputFileChooser(InputLocation& location, std::function<void()> loadObjectBitmap, ShowNotice showNotice,
                     QWidget* parent = nullptr);

signals:
    // Closed through its window frame: the owner discards the window.
    void closedByFrame();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void load();

    // Handlers.
    void followDrive();
    void followFolder();
    void showSelectedFile();
    void countUnlistedFiles();
    void recordLocation();
    void openSelected();
    void cancel();

    // Controls, in tab order.
    FileListBox* fileList_;
    DriveListBox* driveList_;
    DirListBox* folderList_;
    QLineEdit* fileNameEdit_;
    QPushButton* openButton_;
    QPushButton* cancelButton_;

    InputLocation& location_;
    std::function<void()> loadObjectBitmap_;
    ShowNotice showNotice_;
};

}  // namespace marbleck
