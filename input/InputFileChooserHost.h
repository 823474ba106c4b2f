#pragma once

#include <functional>
#include <string>
#include <QPointer>
#include <QString>

class QWidget;

namespace marbleck {

class InputFileChooser;

// Owns the input file chooser for the run: the window is created on first
// use (its load step runs, it stays hidden), shown modeless, and hidden rather
// than destroyed by its buttons, so its drive, folder and selection persist.
// Closing it through its frame discards it; the next use creates it afresh in
// its start-up state.
class InputFileChooserHost {
public:
    // The window becomes a tool window of `owner`. `inputFilePath`,
    // `loadObjectBitmap` and `showNotice` are handed to the window (see InputFileChooser).
    InputFileChooserHost(QWidget* owner, std::string& inputFilePath, std::function<void()> loadObjectBitmap,
                 std::function<void(const QString&)> showNotice);
    ~InputFileChooserHost();
    InputFileChooserHost(const InputFileChooserHost&) = delete;
    InputFileChooserHost& operator=(const InputFileChooserHost&) = delete;

    // The window, created hidden if it does not exist yet.
    InputFileChooser& window();
    bool exists() const { return !window_.isNull(); }

    // Creates the window if needed, shows it modeless and brings it forward.
    void show();

    // The folder list's path and the file list's selected name (empty when
    // nothing is selected); reading them creates the window if needed.
    QString folderPath();
    QString selectedFileName();

private:
    void discard();

    QWidget* owner_;
    std::string& inputFilePath_;
    std::function<void()> loadObjectBitmap_;
    std::function<void(const QString&)> showNotice_;
    QPointer<InputFileChooser> window_;
};

}  // namespace marbleck
