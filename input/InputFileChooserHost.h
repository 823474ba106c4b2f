#pragma once

#include <QPointer>
#include <QString>
#include <functional>

#include "input/InputLocation.h"

class QWidget;

namespace marbleck {

class InputFileChooser;

// Owns the input file chooser for the run: the window is created on first
// use (its load step runs, it stays hidden), shown modeless, and hidden rather
// than destroyed by its buttons, so its drive, folder and selection persist.
// Closing it through its frame discards it; the next use creates it afresh in
// its start-up state. Whether or not the window exists, the InputLocation
// holds the folder and selection it has or would have: the start folder and no
// file before the first use and after a discard.
class InputFileChooserHost {
public:
    // The window becomes a tool window of `owner`. `location`,
    // `loadObjectBitmap` and `showNotice` are handed to the window (see InputFileChooser).
    InputFileChooserHost(QWidget* owner, InputLocation& location, std::function<void()> loadObjectBitmap,
                         std::function<void(const QString&)> showNotice);
    ~InputFileChooserHost();
    InputFileChooserHost(const InputFileChooserHost&) = delete;
    InputFileChooserHost& operator=(const InputFileChooserHost&) = delete;

    // The window, created hidden if it does not exist yet.
    InputFileChooser& window();
    bool exists() const { return !window_.isNull(); }

    // Creates the window if needed, shows it modeless and brings it forward.
    void show();

private:
    void discard();
    void startOver();

    QWidget* owner_;
    InputLocation& location_;
    std::function<void()> loadObjectBitmap_;
    std::function<void(const QString&)> showNotice_;
    QPointer<InputFileChooser> window_;
};

}  // namespace marbleck
