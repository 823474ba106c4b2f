#include "input/InputFileChooserHost.h"

#include "widgets/DirListBox.h"
#include "widgets/FileListBox.h"
#include "input/InputFileChooser.h"

namespace marbleck {

InputFileChooserHost::InputFileChooserHost(QWidget* owner, std::string& inputFilePath,
                           std::function<void()> loadObjectBitmap,
                           std::function<void(const QString&)> showNotice)
    : owner_(owner),
      inputFilePath_(inputFilePath),
      loadObjectBitmap_(std::move(loadObjectBitmap)),
      showNotice_(std::move(showNotice)) {}

InputFileChooserHost::~InputFileChooserHost() { delete window_.data(); }

InputFileChooser& InputFileChooserHost::window() {
    if (window_.isNull()) {
        window_ = new InputFileChooser(inputFilePath_, loadObjectBitmap_, showNotice_, owner_);
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

QString InputFileChooserHost::folderPath() { return window().folderList->path(); }

QString InputFileChooserHost::selectedFileName() { return window().fileList->fileName(); }

// The closed window is deleted once its close event is done; from now on the
// next use creates a new one.
void InputFileChooserHost::discard() {
    InputFileChooser* closed = window_.data();
    window_.clear();
    if (closed) closed->deleteLater();
}

}  // namespace marbleck
