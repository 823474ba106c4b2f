#pragma once

#include <stdexcept>
#include <string>

namespace marbleck {

// The run-time error numbers the program reports to the user; scripts and
// users know them by number, so they never change.
namespace ErrorNumber {
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int DivisionByZero = 11;
inline constexpr int FileNotFound = 53;
inline constexpr int DiskFull = 61;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int InvalidPicture = 481;
inline constexpr int PrinterError = 482;
}  // namespace ErrorNumber

// An operation that cannot be carried out. The command that runs it stops at
// that point; the top-level reporter shows "Run-time error N: description".
class RunTimeError : public std::runtime_error {
public:
    RunTimeError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}

    int number() const { return number_; }
    std::string description() const { return what(); }

private:
    int number_;
};

}  // namespace marbleck
