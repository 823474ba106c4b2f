#include "engine/scenes/PointCloudFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <istream>
#include <streambuf>

#include "engine/scenes/SceneFileText.h"

namespace marbleck {

namespace {

// An open file's bytes as a stream, read in sequence.
class FileBuffer : public std::streambuf {
public:
    explicit FileBuffer(const RegularFile& file) : file_(file) {}

protected:
    int_type underflow() override {
        const std::size_t got = file_.read(buffer_.data(), buffer_.size());
        if (got == 0) return traits_type::eof();
        setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
        return traits_type::to_int_type(buffer_[0]);
    }

private:
    const RegularFile& file_;
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
    const RegularFile file(shown);
    const std::uint64_t size = file.size();
    if (kind == SceneFileKind::Xyz && size > MaxSceneTextBytes)
        ThrowFileAccessError(shown + " is more than " + std::to_string(MaxSceneTextBytes) +
                             " bytes, too large for a point cloud");
    FileBuffer buffer(file);
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
