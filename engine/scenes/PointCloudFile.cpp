#include "engine/scenes/PointCloudFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <istream>
#include <streambuf>

#include "engine/scenes/SceneFileText.h"

namespace marbleck {

namespace {

[[noreturn]] void AccessError(const std::string& why) {
    const std::string description = "Path/File access error: " + why;
    throw SceneFileError(ErrorNumber::PathFileAccessError, description, description);
}

[[noreturn]] void FailedToReach(const std::string& path, int error) {
    if (error == ENOENT || error == ENOTDIR) {
        const std::string description = "File not found: " + path;
        throw SceneFileError(ErrorNumber::FileNotFound, description, description);
    }
    if (error == ENAMETOOLONG) AccessError(path + ": the name is too long");
    AccessError("cannot open " + path + ": " + std::strerror(error));
}

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

// An open file's bytes as a stream, read in sequence.
class DescriptorBuffer : public std::streambuf {
public:
    DescriptorBuffer(int descriptor, std::string path) : descriptor_(descriptor), path_(std::move(path)) {}

protected:
    int_type underflow() override {
        while (true) {
            const ssize_t got = ::read(descriptor_, buffer_.data(), buffer_.size());
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) AccessError("cannot read " + path_ + ": " + std::strerror(errno));
            if (got == 0) return traits_type::eof();
            setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
            return traits_type::to_int_type(buffer_[0]);
        }
    }

private:
    int descriptor_;
    std::string path_;
    std::array<char, 64 * 1024> buffer_{};
};

Scene Read(std::istream& stream, const std::string& name, SceneFileKind kind,
           std::optional<std::uint64_t> size) {
    try {
        scenefile::ByteSource source(stream, size);
        return kind == SceneFileKind::Ply ? scenefile::ReadPly(source) : scenefile::ReadXyz(source);
    } catch (const scenefile::Unreadable& error) {
        throw SceneFileError(ErrorNumber::InvalidPicture, "Invalid picture: " + name + ": " + error.what(),
                             error.what());
    }
}

}  // namespace

std::optional<SceneFileKind> SceneFileKindOf(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".ply") return SceneFileKind::Ply;
    if (extension == ".xyz") return SceneFileKind::Xyz;
    return std::nullopt;
}

Scene ReadPointCloudFile(const std::filesystem::path& path, SceneFileKind kind) {
    const std::string shown = path.string();
    // Not blocking on a pipe: it is opened only to be refused.
    const int opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0) FailedToReach(shown, errno);
    const Descriptor file(opened);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) AccessError("cannot read " + shown + ": " + std::strerror(errno));
    if (S_ISDIR(status.st_mode)) AccessError(shown + " is a folder");
    if (!S_ISREG(status.st_mode)) AccessError(shown + " is not a regular file");
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (kind == SceneFileKind::Xyz && size > MaxSceneTextBytes)
        AccessError(shown + " is more than " + std::to_string(MaxSceneTextBytes) +
                    " bytes, too large for a point cloud");
    DescriptorBuffer buffer(file.get(), shown);
    std::istream stream(&buffer);
    stream.exceptions(std::ios::badbit);
    return Read(stream, path.filename().string(), kind, size);
}

Scene ReadPointCloud(std::istream& stream, const std::string& name, SceneFileKind kind) {
    std::optional<std::uint64_t> size;
    const std::istream::pos_type start = stream.tellg();
    if (start != std::istream::pos_type(-1) && stream.seekg(0, std::ios::end)) {
        const std::istream::pos_type end = stream.tellg();
        stream.seekg(start);
        if (end != std::istream::pos_type(-1) && end >= start) size = static_cast<std::uint64_t>(end - start);
    }
    stream.clear();
    return Read(stream, name, kind, size);
}

}  // namespace marbleck
