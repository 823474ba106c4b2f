#pragma once

#include <functional>
#include <string>
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace marbleck {

class DirListBox;
class DriveListBox;
class FileListBox;

// The input file chooser "Open Input File": a drive list, a folder list and a
// file list of "*.bmp" files. Its folder list and file list stand for the
// program's current input folder and file. "open" records the full path of
// the selected file and runs the loader; "Cancel" only hides the window.
class InputFileChooser : public QWidget {
    Q_OBJECT

public:
    // The folder the chooser starts in when it exists; otherwise the user's
    // home folder.
    static const char* const StartFolder;

    // Shows a notice in the program's status line; an empty notice takes back
    // the last one, unless the status line shows something else by now.
    using ShowNotice = std::function<void(const QString& notice)>;

    // `inputFilePath` receives the chosen file's path before `loadObjectBitmap`
    // runs; both outlive the window. `showNotice` says when the file list had
    // to leave files out.
    InputFileChooser(std::string& inputFilePath, std::function<void()> loadObjectBitmap,
            ShowNotice showNotice, QWidget* parent = nullptr);

    // Controls, in tab order.
    FileListBox* fileList;
    DriveListBox* driveList;
    DirListBox* folderList;
    QLineEdit* fileNameEdit;
    QPushButton* openButton;
    QPushButton* cancelButton;

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
    void File1_Read();
    void openSelected();
    void cancel();

    std::string& inputFilePath_;
    std::function<void()> loadObjectBitmap_;
    ShowNotice showNotice_;
};

}  // namespace marbleck
