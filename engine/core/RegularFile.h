#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/RunTimeError.h"

namespace marbleck {

// A file the user named that cannot be used: its run-time error (53 File
// not found; 75 Path/File access error for a folder, a pipe or a device, no
// access, or a file too large; the reader's own, such as 481 for a point
// cloud that is none) and the failure as the command line states it after
// the file's name.
class FileReadError : public RunTimeError {
public:
    FileReadError(int number, const std::string& description, std::string reason)
        : RunTimeError(number, description), reason_(std::move(reason)) {}
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

// Throws FileReadError 75, "Path/File access error: " + why.
[[noreturn]] void ThrowFileAccessError(const std::string& why);

// A regular file open for reading, closed with this object. The readers of
// the files a user names open them through it, so that a missing file, a
// folder, a pipe or a device is refused (FileReadError) before a byte is
// read, and opening never blocks on a pipe. `path` is the file's name as the
// system's bytes, and what messages show.
class RegularFile {
public:
    explicit RegularFile(const std::string& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    const std::string& path() const { return path_; }
    // Its size when it was opened.
    std::uint64_t size() const { return size_; }
    // Reads up to `count` bytes into `to`: how many, 0 at the end. Throws
    // FileReadError 75 when the system cannot read it.
    std::size_t read(char* to, std::size_t count) const;

private:
    std::string path_;
    int descriptor_ = -1;
    std::uint64_t size_ = 0;
};

}  // namespace marbleck
