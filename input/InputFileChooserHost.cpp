#include "input/InputFileChooserHost.h"

#include "input/InputFileChooser.h"

namespace marbleck {

InputFileChooserHost::InputFileChooserHost(QWidget* owner, InputLocation& location,
                                           std::function<void()> loadObjectBitmap,
                                           std::function<void(const QString&)> showNotice)
    : owner_(owner),
      location_(location),
      loadObjectBitmap_(std::move(loadObjectBitmap)),
      showNotice_(std::move(showNotice)) {
    startOver();
}

InputFileChooserHost::~InputFileChooserHost() { delete window_.data(); }

InputFileChooser& InputFileChooserHost::window() {
    if (window_.isNull()) {
        window_ = new InputFileChooser(location_, loadObjectBitmap_, showNotice_, owner_);
        QObject::connect(window_.data(), &InputFileChooser::closedByFrame, window_.data(),
                         [this] { discard(); });
    }
    return *window_;
}

void InputFileChooserHost::show() {
    InputFileChooser& chooser = window();
    chooser.show();
    chooser.raise();
    chooser.activateWindow();
}

// The folder and selection of a chooser in its start-up state.
void InputFileChooserHost::startOver() {
    location_.folder = InputFileChooser::StartFolderPath();
    location_.fileName.clear();
}

// The closed window is deleted once its close event is done; from now on the
// next use creates a new one.
void InputFileChooserHost::discard() {
    InputFileChooser* closed = window_.data();
    window_.clear();
    if (closed) closed->deleteLater();
    startOver();
}

}  // namespace marbleck
