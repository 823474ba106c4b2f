#include "widgets/ErrorReporter.h"

#include <QMessageBox>
#include <new>

#include "platform/OutOfResources.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

void showMessageBox(QWidget* parent, int number, const QString& description) {
    QMessageBox::critical(parent, QStringLiteral("Marbleck"),
                          ErrorReporter::MessageText(number, description));
}

ErrorReporter::Sink& currentSink() {
    static ErrorReporter::Sink sink = showMessageBox;
    return sink;
}

}  // namespace

QString ErrorReporter::MessageText(int number, const QString& description) {
    return QStringLiteral("Run-time error %1: %2").arg(number).arg(description);
}

ErrorReporter::Sink ErrorReporter::SetSink(Sink sink) {
    Sink previous = currentSink();
    currentSink() = sink ? std::move(sink) : Sink(showMessageBox);
    return previous;
}

bool ErrorReporter::RunCommand(QWidget* parent, const std::function<void()>& command) {
    int number = 0;
    QString description;
    try {
        command();
        return true;
    } catch (const RunTimeError& error) {
        number = error.number();
        description = QString::fromStdString(error.description());
    } catch (const std::exception& error) {
        // No room for memory or for a thread is one fault to the user.
        const bool outOfMemory = IsOutOfResources(error);
        number = outOfMemory ? ErrorNumber::OutOfMemory : 51;
        description = outOfMemory
                          ? QStringLiteral("Out of memory")
                          : QStringLiteral("Internal error: %1").arg(QString::fromLocal8Bit(error.what()));
    }
    currentSink()(parent, number, description);
    return false;
}

}  // namespace marbleck
