#pragma once

#include <QString>
#include <stdexcept>
#include <string>

namespace marbleck::cli {

// Exit statuses of the command line.
namespace ExitStatus {
inline constexpr int Success = 0;
inline constexpr int Usage = 1;
inline constexpr int Input = 2;  // an object that cannot be read, or no hologram to calculate
inline constexpr int Write = 3;  // an output that cannot be written
}  // namespace ExitStatus

// One input that failed: `file` is the object for an input or computation
// error, the output for a write error.
class ExportError : public std::runtime_error {
public:
    ExportError(int status, QString file, const std::string& reason, int runTimeError = 0)
        : std::runtime_error(reason), status_(status), file_(std::move(file)), runTimeError_(runTimeError) {}
    int status() const { return status_; }
    const QString& file() const { return file_; }
    // The run-time error the failure came from (61 for lack of space, 75
    // otherwise), or 0 when it did not come from one.
    int runTimeError() const { return runTimeError_; }

private:
    int status_;
    QString file_;
    int runTimeError_;
};

// A calculation refused for its size (above a work bound without
// --max-seconds) or stopped at --max-seconds; what() says how to go on.
class CalculationTooLong : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace marbleck::cli
