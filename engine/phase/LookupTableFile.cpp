#include "engine/phase/LookupTableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace marbleck {

namespace {

[[noreturn]] void AccessError(const std::string& why) {
    const std::string description = "Path/File access error: " + why;
    throw LookupTableFileError(ErrorNumber::PathFileAccessError, description, description);
}

[[noreturn]] void FailedToReach(const std::string& path, int error) {
    if (error == ENOENT || error == ENOTDIR) {
        const std::string description = "File not found: " + path;
        throw LookupTableFileError(ErrorNumber::FileNotFound, description, description);
    }
    if (error == ENAMETOOLONG) AccessError(path + ": the name is too long");
    AccessError("cannot open " + path + ": " + std::strerror(error));
}

std::string TooLarge(const std::string& path) { return path + " is more than 1 MiB, not a lookup table"; }

// Closes the descriptor however the read ends.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor() { ::close(descriptor_); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

}  // namespace

PhaseLookupTable ReadLookupTableFile(const std::string& path) {
    // Not blocking on a pipe: it is opened only to be refused.
    const int opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0) FailedToReach(path, errno);
    const Descriptor file(opened);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) AccessError("cannot read " + path + ": " + std::strerror(errno));
    if (S_ISDIR(status.st_mode)) AccessError(path + " is a folder");
    if (!S_ISREG(status.st_mode)) AccessError(path + " is not a regular file");
    if (status.st_size > static_cast<off_t>(MaxLookupFileBytes)) AccessError(TooLarge(path));

    // One byte more than allowed tells a file that grew since it was looked at.
    std::string text(MaxLookupFileBytes + 1, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t got = ::read(file.get(), text.data() + size, text.size() - size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) AccessError("cannot read " + path + ": " + std::strerror(errno));
        if (got == 0) break;
        size += static_cast<std::size_t>(got);
    }
    if (size > MaxLookupFileBytes) AccessError(TooLarge(path));
    text.resize(size);
    try {
        return ParseLookupTable(text);
    } catch (const std::invalid_argument& error) {
        const std::string_view name = std::string_view(path).substr(path.rfind('/') + 1);
        throw LookupTableFileError(ErrorNumber::InvalidPropertyValue,
                                   "Invalid property value: " + std::string(name) + ": " + error.what(),
                                   error.what());
    }
}

}  // namespace marbleck
