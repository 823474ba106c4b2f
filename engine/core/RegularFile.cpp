#include "engine/core/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace marbleck {

void ThrowFileAccessError(const std::string& why) {
    const std::string description = "Path/File access error: " + why;
    throw FileReadError(ErrorNumber::PathFileAccessError, description, description);
}

RegularFile::RegularFile(const std::string& path) : path_(path) {
    // Not blocking on a pipe: it is opened only to be refused.
    descriptor_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor_ < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            const std::string description = "File not found: " + path;
            throw FileReadError(ErrorNumber::FileNotFound, description, description);
        }
        if (error == ENAMETOOLONG) ThrowFileAccessError(path + ": the name is too long");
        ThrowFileAccessError("cannot open " + path + ": " + std::strerror(error));
    }
    struct stat status {};
    const bool known = ::fstat(descriptor_, &status) == 0;
    const int error = errno;
    std::string refusal;
    if (!known)
        refusal = "cannot read " + path + ": " + std::strerror(error);
    else if (S_ISDIR(status.st_mode))
        refusal = path + " is a folder";
    else if (!S_ISREG(status.st_mode))
        refusal = path + " is not a regular file";
    if (!refusal.empty()) {
        ::close(descriptor_);
        ThrowFileAccessError(refusal);
    }
    size_ = static_cast<std::uint64_t>(status.st_size);
}

RegularFile::~RegularFile() { ::close(descriptor_); }

std::size_t RegularFile::read(char* to, std::size_t count) const {
    while (true) {
        const ssize_t got = ::read(descriptor_, to, count);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) ThrowFileAccessError("cannot read " + path_ + ": " + std::strerror(errno));
    }
}

}  // namespace marbleck
