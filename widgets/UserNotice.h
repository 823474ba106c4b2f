#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace marbleck {

// An information message for the user (for example where a file went), shown
// in a message box. Tests replace the box with a sink that records the text.
class UserNotice {
public:
    using Sink = std::function<void(QWidget* parent, const QString& text)>;

    static void Show(QWidget* parent, const QString& text);

    // Returns the previous sink; an empty sink brings the message box back.
    static Sink SetSink(Sink sink);
};

}  // namespace marbleck
