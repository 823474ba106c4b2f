#pragma once

// A PLY file's header: its format, its elements and their properties, the
// vertex properties a scene keeps. Used by the engine's PLY reader only.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/scenes/SceneFileText.h"

namespace marbleck::scenefile {

enum class PlyType { Int8, Uint8, Int16, Uint16, Int32, Uint32, Float32, Float64 };

std::size_t BytesOf(PlyType type);
bool IsWhole(PlyType type);
// The largest and the smallest value of a whole type; a colour of a whole
// type is divided by the largest.
double LargestOf(PlyType type);
double SmallestOf(PlyType type);
std::string_view NameOf(PlyType type);

// What a vertex property gives the point.
enum class Role { Skipped, X, Y, Z, Intensity, Red, Green, Blue };

struct PlyProperty {
    std::string name;
    PlyType type = PlyType::Float32;
    bool list = false;
    PlyType countType = PlyType::Uint8;
    Role role = Role::Skipped;
};

struct PlyElement {
    std::string name;
    std::uint64_t count = 0;
    std::vector<PlyProperty> properties;
};

struct PlyHeader {
    bool binary = false;
    std::vector<PlyElement> elements;
    std::size_t vertex = 0;  // the vertex element's index
    bool coloured = false;   // red, green and blue are kept
};

// Reads the header up to and with its end_header line: "ply", its format
// (ascii or binary_little_endian 1.0), comments and obj_info, elements and
// their properties, bounded by MaxPlyHeaderBytes and MaxPlyHeaderLines; an
// element vertex with scalar x, y, z. Throws Unreadable "header: ...".
PlyHeader ReadPlyHeader(ByteSource& source);

}  // namespace marbleck::scenefile
