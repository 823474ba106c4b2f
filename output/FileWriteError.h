#pragma once

#include <QString>
#include <stdexcept>
#include <string>

namespace marbleck {

// An output file that could not be written: `file` is the name the caller
// gave, what() the reason. Each program maps it to its own way of saying so
// (the window to a run-time error, the command line to its write status).
class FileWriteError : public std::runtime_error {
public:
    FileWriteError(QString file, const std::string& reason, int runTimeError = 0)
        : std::runtime_error(reason), file_(std::move(file)), runTimeError_(runTimeError) {}
    const QString& file() const { return file_; }
    // The run-time error the failure came from (61 for lack of space, 75
    // otherwise), or 0 when it did not come from one (an encoder's failure).
    int runTimeError() const { return runTimeError_; }

private:
    QString file_;
    int runTimeError_;
};

}  // namespace marbleck
