#include "widgets/UserNotice.h"

#include <QMessageBox>

namespace marbleck {

namespace {

void showMessageBox(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Marbleck"), text);
}

UserNotice::Sink& currentSink() {
    static UserNotice::Sink sink = showMessageBox;
    return sink;
}

}  // namespace

void UserNotice::Show(QWidget* parent, const QString& text) { currentSink()(parent, text); }

UserNotice::Sink UserNotice::SetSink(Sink sink) {
    Sink previous = currentSink();
    currentSink() = sink ? std::move(sink) : Sink(showMessageBox);
    return previous;
}

}  // namespace marbleck
