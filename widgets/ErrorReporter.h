#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace marbleck {

class RunTimeError;

// The one place where a failing command ends: the error is shown as
// "Run-time error N: description" and the program runs on. Every event
// handler that can fail runs its body through RunCommand, so no exception
// ever reaches Qt's event loop.
class ErrorReporter {
public:
    using Sink = std::function<void(QWidget* parent, int number, const QString& description)>;

    // Runs `command`; returns false when it failed (and the failure was shown).
    static bool RunCommand(QWidget* parent, const std::function<void()>& command);

    // The message text shown for an error.
    static QString MessageText(int number, const QString& description);

    // Replaces the message box (tests record errors instead of showing them).
    // Returns the previous sink.
    static Sink SetSink(Sink sink);
};

}  // namespace marbleck
