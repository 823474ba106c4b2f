#pragma once

// What the point-cloud readers share: their failure before it is given the
// file's name, the buffered reading of lines and records, the numbers of
// text fields. Used by the engine's scene readers only.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/scenes/Scene.h"

namespace marbleck::scenefile {

// Why a file is no point cloud, without its name: "line 12: field z: ...".
class Unreadable : public std::runtime_error {
public:
    explicit Unreadable(const std::string& reason) : std::runtime_error(reason) {}
};

// The stream's bytes through a buffer of its own, counting what was read.
// `size` is the stream's remaining length when it is known.
class ByteSource {
public:
    ByteSource(std::istream& stream, std::optional<std::uint64_t> size);

    // The next `count` bytes (at most Capacity), valid until the next call;
    // nullptr when the stream ends before them.
    const unsigned char* take(std::size_t count);
    // Skips `count` bytes; false when the stream ends first.
    bool skip(std::uint64_t count);
    // The next line without its "\n" and a "\r" before it, valid until the
    // next call; none at the end of the stream. Throws Unreadable "line N:
    // longer than M bytes" past `longest` bytes.
    std::optional<std::string_view> line(std::size_t longest);
    // Whether every byte has been read.
    bool atEnd();

    std::uint64_t consumed() const { return consumed_; }
    std::uint64_t lineNumber() const { return lines_; }
    std::optional<std::uint64_t> remaining() const;

    static constexpr std::size_t Capacity = std::size_t{1} << 20;

private:
    // Fills the buffer until it holds `count` bytes or the stream ends.
    void fill(std::size_t count);

    std::istream& stream_;
    std::optional<std::uint64_t> size_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0, end_ = 0;
    std::uint64_t consumed_ = 0, lines_ = 0;
};

// Splits `line` at spaces and tabs (and `more` separators) into `fields`.
void SplitFields(std::string_view line, std::vector<std::string_view>& fields, std::string_view more = {});

// The number a text field writes (a leading "+" allowed), or none.
std::optional<double> ParseReal(std::string_view field);
std::optional<long long> ParseWhole(std::string_view field);

// The points' vector with room for `count` points, at most `affordable` of
// them up front when the file's size cannot pay for more.
void ReservePoints(Scene& scene, std::uint64_t count, std::uint64_t affordable);

Scene ReadPly(ByteSource& source);
Scene ReadXyz(ByteSource& source);

}  // namespace marbleck::scenefile
