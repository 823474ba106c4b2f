#pragma once

#include <QString>
#include <vector>

#include "widgets/ErrorReporter.h"

namespace marbleck::test {

// Records the errors that commands report while it lives, instead of showing
// message boxes that would wait for a click.
class RecordedErrors {
public:
    struct Error {
        int number;
        QString description;
    };

    RecordedErrors() {
        previous_ = ErrorReporter::SetSink([this](QWidget*, int number, const QString& description) {
            errors_.push_back({number, description});
        });
    }
    ~RecordedErrors() { ErrorReporter::SetSink(previous_); }
    RecordedErrors(const RecordedErrors&) = delete;
    RecordedErrors& operator=(const RecordedErrors&) = delete;

    const std::vector<Error>& errors() const { return errors_; }
    bool empty() const { return errors_.empty(); }
    int lastNumber() const { return errors_.empty() ? 0 : errors_.back().number; }
    void clear() { errors_.clear(); }

private:
    std::vector<Error> errors_;
    ErrorReporter::Sink previous_;
};

}  // namespace marbleck::test
