#include "InputChooser.h"

#include "DirListBox.h"
#include "FileListBox.h"
#include "file_io.h"

namespace marbleck {

InputChooser::InputChooser(QWidget* owner, std::string& inputFilePath,
                           std::function<void()> loadObjectBitmap,
                           std::function<void(const QString&)> showNotice)
    : owner_(owner),
      inputFilePath_(inputFilePath),
      loadObjectBitmap_(std::move(loadObjectBitmap)),
      showNotice_(std::move(showNotice)) {}

InputChooser::~InputChooser() { delete window_.data(); }

file_io& InputChooser::window() {
    if (window_.isNull()) {
        window_ = new file_io(inputFilePath_, loadObjectBitmap_, showNotice_, owner_);
        QObject::connect(window_.data(), &file_io::closedByFrame, window_.data(),
                         [this] { discard(); });
    }
    return *window_;
}

void InputChooser::show() {
    file_io& chooser = window();
    chooser.show();
    chooser.raise();
    chooser.activateWindow();
}

QString InputChooser::folderPath() { return window().Dir1->path(); }

QString InputChooser::selectedFileName() { return window().File1->fileName(); }

// The closed window is deleted once its close event is done; from now on the
// next use creates a new one.
void InputChooser::discard() {
    file_io* closed = window_.data();
    window_.clear();
    if (closed) closed->deleteLater();
}

}  // namespace marbleck
