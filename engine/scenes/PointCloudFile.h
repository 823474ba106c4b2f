#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "engine/core/RegularFile.h"
#include "engine/scenes/Scene.h"

namespace marbleck {

// The readers of point-cloud files: PLY (ASCII and binary little-endian) and
// XYZ text, for the window, the command line and the Python package alike.

// The most points a file may hold: 50 million points are 2 GB of ScenePoint.
inline constexpr std::uint64_t MaxScenePoints = 50'000'000;
// A PLY header's bounds; the header is read before anything else.
inline constexpr std::size_t MaxPlyHeaderBytes = 64 * 1024;
inline constexpr std::size_t MaxPlyHeaderLines = 4096;
// The longest line of a text file (an XYZ file, an ASCII PLY's body).
inline constexpr std::size_t MaxSceneLineBytes = 4096;
// The largest text file read: MaxScenePoints lines of 80 bytes.
inline constexpr std::uint64_t MaxSceneTextBytes = MaxScenePoints * 80;

enum class SceneFileKind { Ply, Xyz };

// Ply for a name ending in .ply, Xyz for .xyz (any case); none otherwise.
std::optional<SceneFileKind> SceneFileKindOf(const std::filesystem::path& path);

// A scene file that cannot be read: RunTimeError 53 when there is no such
// file; 75 when it cannot be read (a folder, not a regular file, no access,
// a text file larger than MaxSceneTextBytes); 481 when it is no point cloud
// of its kind, the file's own picture of the scene being unusable as the
// object of a hologram, as for an object picture that cannot be decoded.
// Its reason() is the failure as the command line states it after the
// file's name: "line 12: field z: "abc" is not a number", "vertex 7:
// truncated (file ends)", "header: element vertex has no property z", or the
// access error's description.
using SceneFileError = FileReadError;

// The points of the file at `path` (its name as the system's bytes), read as
// `kind`. Only a regular file is read, so a pipe or a device neither blocks
// nor fills memory. PLY: the element "vertex" with its scalar properties x,
// y, z in metres (any PLY scalar type); "intensity" (a float as it is, an
// integer over its type's largest value) into all three colours, or "red",
// "green", "blue" (likewise, and kept rather than an intensity beside them),
// which make the scene `coloured`; every other property and element skipped,
// lists included; nothing after the last element. XYZ: "x y z [a]" a line,
// fields between spaces, tabs, commas or semicolons, blank lines and lines
// starting with # skipped. Coordinates and colours must be finite. Throws
// SceneFileError, and std::bad_alloc.
Scene ReadPointCloudFile(const std::filesystem::path& path, SceneFileKind kind);

// The same from `stream`, named `name` in messages; a stream that can seek
// has its size checked against a binary PLY's vertex count before the
// points are allocated. Throws SceneFileError 481 (and std::bad_alloc).
Scene ReadPointCloud(std::istream& stream, const std::string& name, SceneFileKind kind);

}  // namespace marbleck
